// The JSON view of a build made without nlohmann/json: --json says so instead.
#include "d88info/views.h"

namespace d88info {

bool JsonBuiltIn() { return false; }

void WriteJson(const Model&, Output&) {}

}  // namespace d88info
