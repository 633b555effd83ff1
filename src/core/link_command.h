// Text rules of the hyperlink's fallback launch: when the shell cannot open
// a link target, the command registered for ".htm" pages is run with the
// target as its argument. Pure text; no Windows header.
#pragma once

#include <cstddef>

// Size of the buffer that holds the handler's key name and, later, the
// command line (terminator included).
constexpr size_t kLinkCommandBufferSize = 520;

// Key name of the handler's open command: progId followed by
// "\shell\open\command". False, with out empty, when progId is null or
// empty or the name does not fit in outSize characters (terminator
// included).
bool ComposeHandlerCommandKey(const char* progId, char* out, size_t outSize);

// The command line that opens target with the handler's command:
//   - the command is cut at the opening quote of the first "%1" written in
//     double quotes; without such a placeholder, at the first bare %1;
//     without any placeholder it stays whole;
//   - then one blank and the target, unquoted, are appended.
// Anything after the placeholder (further arguments) is dropped. False, with
// out empty, when the command line does not fit in outSize characters
// (terminator included): a truncated command must never be run.
bool ComposeLinkCommand(const char* handlerCommand, const char* target, char* out,
                        size_t outSize);
