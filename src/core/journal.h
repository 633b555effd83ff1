// The installation journal: what a setup run is about to change, written
// before each change and kept until the run has ended, so that a run that
// fails, or is killed, can be taken back to the state before it. Each entry
// says what stood there before the run; undoing an entry that the run never
// got to changes nothing. Pure text rules: no Windows header.
//
// The journal is kept where only the installation's own account can write
// (the registry of its scope, see footprint::kJournalKey), never in a
// folder a user may prepare.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/install_record.h"

namespace journal {

// The journal's own format number; a reader knows every number up to its
// own and refuses to undo a later one (it cannot know what it lists). A
// journal is written in the lowest format that carries it: format 2 only
// for an undo that left something (a reader of format 1 leaves such a
// journal as it is rather than taking it for a run it can finish).
constexpr unsigned long kFormat = 2;

enum class State {
  kUnfinished,  // changes may be half made: undo every entry, newest first
  kFinished,    // the run succeeded: only the replaced files are left to delete
  // An undo ran and could not put everything back: undo every entry again,
  // as for kUnfinished, and keep the journal until that succeeds.
  kUndoIncomplete,
};

// A file of the payload. The run unpacks it under its staged name beside the
// earlier one, then puts it in place: an existing file of an earlier
// installation is first renamed to its replaced name and kept until the run
// has ended (see footprint::kStagedSuffix and kReplacedSuffix).
struct File {
  std::string name;  // payload name, "\" separated
  bool replaces = false;  // an earlier installation's file stood there
  unsigned long long size = 0;
  unsigned long crc = 0;  // CRC-32 of the new content
};

// A registry value as it was before the run.
struct Value {
  installrecord::Root root = installrecord::Root::kLocalMachine;
  std::string key;
  std::string name;  // "" = the key's unnamed value
  bool existed = false;
  unsigned long type = 0;  // REG_* number, when it existed
  std::string data;        // the bytes as stored, when it existed
  // Below an own key: larger than installrecord::kMaxRecordSize, so only its
  // name is kept and the value is left as it is.
  bool tooLarge = false;
};

// A registry key as it was before the run.
struct Key {
  installrecord::Root root = installrecord::Root::kLocalMachine;
  std::string key;
  bool existed = false;
  // A registry link (or a key that did not open for reading): kept as it
  // is, never read below, written through or removed with the tree it lies
  // in.
  bool link = false;
};

// The most bytes of an earlier link the journal keeps. A link file is a few
// KB; a larger one (or one that could not be read as it is: behind a link,
// a second hard link, locked) is noted as found without its content, and
// undo leaves whatever the run made of it.
constexpr std::size_t kMostLinkBytes = 64 * 1024;
// The most bytes of all earlier links of one run together (twice as much
// journal text): the journal must stay far below what its store takes.
// Links found after that much are noted without their content.
constexpr std::size_t kMostLinkBytesOfARun = 128 * 1024;

// A link the run saves, or an earlier version's link it deletes.
struct Link {
  installrecord::LinkPlace place = installrecord::LinkPlace::kUserPrograms;
  std::string name;  // as the install record names it
  bool existed = false;  // an earlier link stood there
  // existed: its bytes as they were (at most kMostLinkBytes), written back
  // at its name on undo. Without them the earlier link is left as the run
  // made it.
  bool kept = false;
  std::string content = std::string();
};

// What the run did to the viewer's settings file.
struct Settings {
  std::string path;      // the file, in the settings folder
  bool existed = false;  // then content is what it held before
  std::string content;
};

struct Journal {
  unsigned long format = 1;  // as read (Serialize writes what the state needs)
  std::string version;  // the product version that wrote it
  installrecord::Scope scope = installrecord::Scope::kMachine;
  std::string folder;  // the program folder, ending in a backslash
  State state = State::kUnfinished;

  // In the order the run makes them; undone newest first.
  // Folders the run creates on the way to the program folder (absolute,
  // ending in a backslash, outermost first).
  std::vector<std::string> createdFolders;
  // The user's files at payload names that are moved to kKeptFolder.
  std::vector<std::string> kept;
  // Folders of the payload that did not exist (relative, ending in "\").
  std::vector<std::string> payloadFolders;
  std::vector<File> files;
  // The record file of the program folder, once the run is about to write
  // it: an earlier one is kept under its replaced name until the run has
  // ended.
  bool recordStep = false;
  bool recordReplaced = false;
  // The viewer's settings files the run writes: the program folder's and the
  // settings folder's (a settings folder the run makes is among
  // createdFolders).
  std::vector<Settings> settings;
  std::vector<installrecord::LinkPlace> createdGroups;
  std::vector<Link> links;
  // The registry: the product's own keys are put back whole (Key existed
  // with its sub-keys and Values below it), or deleted when they did not
  // exist; other keys the run may create are deleted when they did not
  // exist and are empty again; every other value gets its earlier data back.
  std::vector<Key> ownKeys;
  // Below the own keys that existed: every sub-key (parents first) and every
  // value of them and of the own key itself, as found. Unlike values, these
  // are read through the wide calls: names in UTF-8, data exactly as stored
  // (text types in UTF-16).
  std::vector<Key> ownSubKeys;
  std::vector<Value> ownValues;
  std::vector<Key> keys;
  std::vector<Value> values;
};

// The journal as text: a header line, "Format", "Version", "Scope",
// "Folder" and "State" lines, one line per entry, an end line. The format
// line says the lowest format that carries the state (journal.format is
// what Parse read).
std::string Serialize(const Journal& journal);

// Reads what Serialize wrote (format up to kFormat). False, and why in
// English for the log, for anything else: a cut-off or changed text, or a
// later format (*later set true then).
bool Parse(const std::string& text, Journal* journal, std::string* why, bool* later = nullptr);

}  // namespace journal
