#pragma once

#include <span>

namespace scribeon::server {

// One step of the schema, written for each engine side by side, so a change
// to one is made to the other in the same place.
struct SchemaStep {
    const char* sqlite;
    const char* postgres;
};

// The steps in order: a database at version N has run the first N, and one
// made by a newer server (a version past the last) is refused.
std::span<const SchemaStep> schemaSteps();

} // namespace scribeon::server
