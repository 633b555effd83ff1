// The install record as the uninstaller reads it: any text. What parses has
// one spelling (writing it again and reading that gives the same record), and
// the check that decides whether the record may touch the disk answers for
// every record without reading past anything. A record the check accepts
// names only plain payload names and the product's links.
#include <string>
#include <vector>

#include "core/install_record.h"
#include "core/uninstall_rules.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  installrecord::InstallRecord record;
  std::string why;
  if (!installrecord::Parse(text, &record, &why)) {
    if (why.empty()) pxfuzz::Require("refused without a reason");
    return 0;
  }
  const std::string written = installrecord::Serialize(record);
  installrecord::InstallRecord again;
  if (!installrecord::Parse(written, &again, &why)) pxfuzz::Require("its own text does not parse: " + why);
  if (installrecord::Serialize(again) != written) pxfuzz::Require("a second writing differs");

  static const std::vector<std::string> payload = {"px_main64.exe", "pv_uninstall.exe", "Html/bild.htm"};
  if (uninstallrules::CheckRecord(record, record.folder, payload, &why) == uninstallrules::RecordVerdict::kUsable) {
    for (const installrecord::RecordedFile& file : record.files) {
      if (!uninstallrules::IsPlainRelativeName(file.name) || file.name.find("..") == 0) {
        pxfuzz::Require("accepted " + file.name);
      }
    }
    for (const std::string& kept : record.kept) {
      if (!uninstallrules::IsPayloadName(kept, payload)) pxfuzz::Require("accepted kept " + kept);
    }
    for (const installrecord::Link& link : record.links) {
      if (!uninstallrules::IsProductLinkName(link.place, link.name)) pxfuzz::Require("accepted link " + link.name);
    }
  }
  // Taken as a setup or an uninstaller takes it: other payloads' names out,
  // the rest checked. What remains usable names only this payload's files.
  installrecord::InstallRecord adopted = record;
  if (uninstallrules::AdoptRecord(&adopted, record.folder, payload, &why) == uninstallrules::RecordVerdict::kUsable) {
    for (const installrecord::RecordedFile& file : adopted.files) {
      if (!uninstallrules::IsPayloadName(file.name, payload)) pxfuzz::Require("adopted " + file.name);
    }
    for (const std::string& folder : adopted.createdFolders) {
      if (!uninstallrules::IsPayloadFolder(folder, payload)) pxfuzz::Require("adopted folder " + folder);
    }
  }
  return 0;
}
