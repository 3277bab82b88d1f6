// What the sub-commands share: loading a file through the library and
// reporting failures the way a command-line tool should.
#pragma once

#include <string>
#include <vector>

namespace trelvo_cli {

// Record types the library knows, in the order the tool lists them.
const std::vector<int>& recordTypes();

// Loads the file with the error box switched off. Returns false (after one
// line on stderr) when the file could not be loaded at all.
bool loadFile(const std::string& path, std::string& status);

// One-line error on stderr and a non-zero exit status.
void fail(const std::string& message);

// The first line of the library's last status text.
std::string lastError();

// The value of a field by mnemonic, or "" when the record has no such field.
std::string fieldByName(int type, int idc, const char* name);

// A field value with its separators made visible.
std::string visible(const std::string& value);

}  // namespace trelvo_cli
