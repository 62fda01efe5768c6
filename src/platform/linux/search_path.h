// Where a program of a given name would be run from, looked up in a
// PATH-style list of folders as execvp looks it up.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>

namespace lobbyfind::platform {

// The first `folder/name` of the ":"-separated `folders` that `runnable`
// accepts (an empty entry is the working folder); empty when there is none.
inline std::string FindOnPath(std::string_view folders, std::string_view name,
                              const std::function<bool(const std::string&)>& runnable) {
  for (std::size_t at = 0; at <= folders.size();) {
    const std::size_t end = std::min(folders.find(':', at), folders.size());
    const std::string_view folder = folders.substr(at, end - at);
    const std::string candidate =
        (folder.empty() ? std::string(".") : std::string(folder)) + "/" + std::string(name);
    if (runnable(candidate)) return candidate;
    at = end + 1;
  }
  return {};
}

}  // namespace lobbyfind::platform
