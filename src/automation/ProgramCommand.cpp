#include "automation/ProgramCommand.h"

namespace {

constexpr std::string_view PathMarker = "%PATH";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string ReplaceReportPath(std::string_view text, std::string_view reportPath) {
  std::string result;
  std::size_t from = 0;
  for (std::size_t at = text.find(PathMarker); at != std::string_view::npos;
       at = text.find(PathMarker, from)) {
    result.append(text.substr(from, at - from));
    result.append(reportPath);
    from = at + PathMarker.size();
  }
  result.append(text.substr(from));
  return result;
}

std::vector<CommandArgument> SplitCommandLine(std::string_view line) {
  std::vector<CommandArgument> arguments;
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) return arguments;

    CommandArgument argument;
    bool inQuotes = false;
    while (i < line.size() && (inQuotes || !IsBlank(line[i]))) {
      if (line[i] == '\\') {
        std::size_t slashes = 0;
        while (i < line.size() && line[i] == '\\') ++slashes, ++i;
        if (i < line.size() && line[i] == '"') {
          argument.Text.append(slashes / 2, '\\');
          if (slashes % 2 == 0) continue;  // the quote keeps its meaning
          argument.Text += '"';
          ++i;
        } else {
          argument.Text.append(slashes, '\\');
        }
      } else if (line[i] == '"') {
        argument.Quoted = true;
        if (inQuotes && i + 1 < line.size() && line[i + 1] == '"') {
          argument.Text += '"';
          i += 2;
        } else {
          inQuotes = !inQuotes;
          ++i;
        }
      } else {
        argument.Text += line[i++];
      }
    }
    arguments.push_back(std::move(argument));
  }
}

std::vector<std::string> ProgramArguments(std::string_view commandLine, std::string_view reportPath) {
  std::vector<std::string> result;
  for (const CommandArgument& argument : SplitCommandLine(commandLine)) {
    std::string text = ReplaceReportPath(argument.Text, reportPath);
    if (text.empty() && !argument.Quoted && argument.Text == PathMarker) continue;
    result.push_back(std::move(text));
  }
  return result;
}
