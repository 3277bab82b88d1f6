#include "commands.h"
void trelvo_cli::add_info_command(CLI::App&) {}
void trelvo_cli::add_fields_command(CLI::App&) {}
void trelvo_cli::add_extract_command(CLI::App&) {}
