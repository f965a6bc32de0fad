#include "tool/run_d88info.h"

int main(int argc, char** argv) { return RunD88info(argc, argv); }
