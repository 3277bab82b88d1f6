#include "commands.h"

void trelvo_cli::add_wsq_command(CLI::App& app) {
  app.add_subcommand("wsq", "Decode a standalone WSQ file into a PGM image");
}
