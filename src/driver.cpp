#include "driver.h"

#include <cstdint>

#include "line_list.h"
#include "matching.h"
#include "textio/text_writer.h"

namespace {

const char* const kUsage[] = {
    "USAGE :: setsieve file1 file2\n",
    "\n",
    " file1 : Text file - input - filename\n",
    " file2 : Text file - input - filename\n",
    "\n",
    " Creates : unique1 - Text file - output - lines unique to file1\n",
    "           unique2 - Text file - output - lines unique to file2\n",
    "           common  - Text file - output - lines common to file1 and "
    "file2\n",
    "\n",
    " setsieve - SET SIEVE.  Intersection as in the intersection of 2 sets\n",
};

void write_text(TextWriter* writer, const char* text) {
  write_formatted(writer, "%s", text);
}

void write_headers(TextWriter* unique1, TextWriter* unique2, TextWriter* common,
                   const char* name1, const char* name2) {
  write_formatted(unique1, "Lines unique to %s\n\n", name1);
  write_formatted(unique2, "Lines unique to %s\n\n", name2);
  write_formatted(common, "Lines common to both %s and %s\n", name1, name2);
  write_formatted(common, "1st line in set is from %s\n", name1);
  write_formatted(common, "2nd lines on in set are matching lines from %s\n",
                  name2);
  write_text(common, "Sets are delineated by blank lines\n");
}

}  // namespace

int run_compare(int argc, char** argv) {
  int status = 0;
  TextWriter* unique1 = nullptr;
  TextWriter* unique2 = nullptr;
  TextWriter* common = nullptr;
  LineList list1 = nullptr;
  LineList list2 = nullptr;
  int64_t bytes1 = 0, lines1 = 0, bytes2 = 0, lines2 = 0;

  if (argc < 3) {
    for (const char* line : kUsage) write_text(standard_output, line);
    status = EXIT_USAGE;
  } else if ((unique1 = create_writer("unique1")) == nullptr) {
    status = EXIT_NO_UNIQUE1;
  } else if ((unique2 = create_writer("unique2")) == nullptr) {
    status = EXIT_NO_UNIQUE2;
  } else if ((common = create_writer("common")) == nullptr) {
    status = EXIT_NO_COMMON;
  } else if ((list1 = load_lines(argv[1], &bytes1, &lines1)) == nullptr) {
    status = EXIT_NO_FILE1;
  } else if ((list2 = load_lines(argv[2], &bytes2, &lines2)) == nullptr) {
    status = EXIT_NO_FILE2;
  } else {
    write_headers(unique1, unique2, common, argv[1], argv[2]);
    write_sets(list1, list2, unique1, unique2, common);
    free_lines(list1);
    free_lines(list2);
    list1 = nullptr;
  }

  if (unique1 != nullptr) close_writer(unique1);
  if (unique2 != nullptr) close_writer(unique2);
  if (common != nullptr) close_writer(common);
  if (list1 != nullptr) free_lines(list1);
  if (status == 0) {
    write_formatted(standard_output,
                    "%ld bytes used to handle %ld lines in %s\n", bytes1,
                    lines1, argv[1]);
    write_formatted(standard_output,
                    "%ld bytes used to handle %ld lines in %s\n", bytes2,
                    lines2, argv[2]);
  }
  write_text(standard_output,
             "\nSETSIEVE for WinNT, Win95 & WFW DOS Windows, and MS-DOS\n");
  write_text(standard_output,
             "Written by the setsieve developers, free under the MIT "
             "licence\n");
  write_text(standard_output, "07 Dec. 1996 - V1R0\n");
  return status;
}
