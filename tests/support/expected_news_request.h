// The bytes a GET of the directory's news must put on the wire, written out
// by hand so that tests do not check the request builder against itself.
#pragma once

#include <string>

namespace lobbyfind::testing {

inline std::string ExpectedNewsRequest(const std::string& host) {
  return "GET /Vexnet/lobbyfind/webinterface.php?GIVEME=NEWS HTTP/1.0\r\n"
         "Host: " + host + "\r\n"
         "Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
         "Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
         "Content-type: application/x-www-form-urlencoded\r\n"
         "\r\n";
}

}  // namespace lobbyfind::testing
