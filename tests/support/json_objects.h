// The objects of a JSON array in a test, each checked to parse.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/json_line.h"

namespace kit_test {

inline std::vector<JsonLine> ParsedObjects(const std::string& array) {
  bool parsed = true;
  std::vector<JsonLine> out = JsonObjects(array, &parsed);
  EXPECT_TRUE(parsed) << array;
  return out;
}

}  // namespace kit_test
