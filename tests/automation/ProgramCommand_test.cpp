#include "automation/ProgramCommand.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgramCommand, SplitFirstThenEveryPathMarkerBecomesThePath) {
  const std::string path = "/my \"reports\"/it's $(id) `id`; %PATH.txt";
  using Strings = std::vector<std::string>;
  struct Case {
    const char* line;
    std::string path;
    Strings arguments;
  } cases[] = {
      {" \t ", path, {}},
      {"%PATH", path, {path}},
      {"-a %PATH\t-b \"%PATH\"", path, {"-a", path, "-b", path}},
      {"--in=%PATH,%path,%Path", path, {"--in=" + path + ",%path,%Path"}},
      {"\"a b\" c\"d e\"f \"\"", path, {"a b", "cd ef", ""}},
      {"\"say \"\"hi\"\"\" \\\"x\\\"", path, {"say \"hi\"", "\"x\""}},
      {"a\\\\b a\\\\\"b c\" a\\\\\\\"b", path, {"a\\\\b", "a\\b c", "a\\\"b"}},
      {"x \"open %PATH", "P", {"x", "open P"}},
      {"%%PATHH", "P", {"%PH"}},
      // No report: an unquoted bare marker goes, everything else stays.
      {"-a %PATH \"%PATH\" x%PATH %PATH%PATH", "", {"-a", "", "x", ""}},
  };
  for (const Case& c : cases) EXPECT_EQ(ProgramArguments(c.line, c.path), c.arguments) << c.line;
}

}  // namespace
