#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace stelvane {

// Every JSON object the command line prints is built as one of these and
// written by the library; members keep the order they were set in.
using Json = nlohmann::ordered_json;

// A figure held to a Single's precision: nine significant digits, which bring
// any Single back exactly, then the shortest text of that double. Null for NaN
// or infinity, which JSON cannot hold.
Json JsonSingle(double value);
// A double as the shortest text that reads back as the same double; null as above.
// Whole numbers are written as integers (1000, not 1000.0).
Json JsonDouble(double value);

// The document as printed: two-blank indentation, a final newline; bytes that
// are not UTF-8 (a version text from an old file) become U+FFFD rather than
// stopping the output.
std::string JsonText(const Json& document);

}  // namespace stelvane
