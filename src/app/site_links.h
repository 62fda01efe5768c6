// The maker's two web sites: shown in the welcome text, opened by the link
// buttons, and the caption of the fourth link button.
#pragma once

#include <string>
#include <string_view>

namespace lobbyfind::app {

inline constexpr std::string_view kHomeHost = "lobbyfind.example.net";
inline constexpr std::string_view kSecondHost = "gta2-maps.example.net";

[[nodiscard]] inline std::string HomePageUrl() { return "http://" + std::string(kHomeHost) + "/"; }
[[nodiscard]] inline std::string SecondSiteUrl() {
  return "http://" + std::string(kSecondHost) + "/";
}

}  // namespace lobbyfind::app
