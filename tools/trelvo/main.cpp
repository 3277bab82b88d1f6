#include "commands.h"

#include <cstdio>

int& trelvo_cli::exit_status() {
  static int status = 0;
  return status;
}

int main(int argc, char** argv) {
  CLI::App app{"trelvo: look into ANSI/NIST-ITL transaction files"};
  app.require_subcommand(1);
  trelvo_cli::add_info_command(app);
  trelvo_cli::add_fields_command(app);
  trelvo_cli::add_extract_command(app);
  trelvo_cli::add_wsq_command(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }
  return trelvo_cli::exit_status();
}
