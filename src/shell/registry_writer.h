// Writes the registry items of an installation's footprint, one at a time,
// in the order the caller hands them over.
#pragma once

#include <memory>
#include <vector>

#include "core/footprint.h"
#include "core/step_result.h"

class RegKey;

class RegistryWriter {
 public:
  RegistryWriter();
  ~RegistryWriter();
  RegistryWriter(const RegistryWriter&) = delete;
  RegistryWriter& operator=(const RegistryWriter&) = delete;

  // Writes item. An item that waits for the one before it is left out when
  // that was not written (and answers Done: its failure is the earlier
  // one's). A deletion's failure is answered but counts as written.
  StepResult Write(const footprint::RegistryItem& item);

 private:
  struct OpenKey;
  RegKey& KeyFor(const footprint::RegistryItem& item);
  // Keys opened for named values, kept open for the rest of the walk: the
  // capability values of every format go through one opening.
  std::vector<std::unique_ptr<OpenKey>> open_;
  bool previousWritten_ = true;
};
