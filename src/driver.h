// The run of setsieve, from the argument vector to the exit status: create
// the three reports, load both files, write headers and bodies, release
// everything, and print the statistics and the closing banner.

#ifndef SETSIEVE_DRIVER_H_
#define SETSIEVE_DRIVER_H_

const int EXIT_USAGE = 255;       // fewer than two file names
const int EXIT_NO_UNIQUE1 = 252;  // the report unique1 cannot be created
const int EXIT_NO_UNIQUE2 = 251;  // the report unique2 cannot be created
const int EXIT_NO_COMMON = 250;   // the report common cannot be created
const int EXIT_NO_FILE1 = 248;    // file1 cannot be loaded
const int EXIT_NO_FILE2 = 247;    // file2 cannot be loaded

// argc counts the program's name; argv[1] and argv[2] name the files, and
// any later arguments are ignored. Gives the exit status: 0 on success.
// The caller runs flush_all_writers before the process ends.
int run_compare(int argc, char** argv);

#endif  // SETSIEVE_DRIVER_H_
