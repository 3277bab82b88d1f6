// Prints the two INI settings as the library read them at initialisation.
// Linked with the static archive, the module is this executable, so the
// Trelvo.ini next to wherever it is copied is the one that counts.
#include <Trelvo.h>

#include <cstdio>

#include "frame/nist_file.h"

int main() {
  SetTrelvoErrorReportMode(0);  // the first initialising call reads the file
  const trelvo::NistFile& f = trelvo::current();
  std::printf("type1_record_1_01=%d idc_double_digit=%d\n", f.setting_type1_two_digit,
              f.setting_idc_two_digit);
  return 0;
}
