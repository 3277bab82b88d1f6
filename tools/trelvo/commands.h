// Sub-commands of the trelvo tool. Each lives in a file of its own and
// registers itself on the application.
#pragma once

#include <CLI/CLI.hpp>

namespace trelvo_cli {

void add_info_command(CLI::App& app);
void add_fields_command(CLI::App& app);
void add_extract_command(CLI::App& app);
void add_wsq_command(CLI::App& app);

// Exit status a command leaves for main().
int& exit_status();

}  // namespace trelvo_cli
