// Assertions over the sample product tree (registry_fixtures.h), shared by the
// in-memory tests and the tests against the real registry.
#pragma once

#include "core/registry.h"

namespace ps::test {

void CheckSampleLookups(const Registry& reg);
void CheckSampleWriters(Registry& reg);

} // namespace ps::test
