// The process entry of setsieve.

#include "driver.h"
#include "textio/platform.h"
#include "textio/text_writer.h"

int main(int argc, char** argv) {
  os_start_process();
  int status = run_compare(argc, argv);
  flush_all_writers();
  return status;
}
