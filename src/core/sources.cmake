# The pure rules: no Windows header. Read by this folder's CMakeLists.txt and
# by the native sanitizer and fuzzing build (tests/native).
set(PX_CORE_SOURCES
  command_line.cpp
  folder_text.cpp
  archive_entry.cpp
  percent_variables.cpp
  toolbar_skin.cpp
  log_entry.cpp
  format_table.cpp
  shell_text.cpp
  link_command.cpp
  wizard_rules.cpp
  target_folder.cpp
  command_arguments.cpp
  record_text.cpp
  journal.cpp
  journal_trust.cpp
  install_record.cpp
  footprint.cpp
  uninstall_rules.cpp
  leftover_rules.cpp
  account_placement.cpp
  install_scope.cpp
  progress_rule.cpp
  usage_layout.cpp
  registry_link_rule.cpp)
