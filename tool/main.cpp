#include "tool/run_dskpick.h"

int main(int argc, char** argv) { return RunDskpick(argc, argv); }
