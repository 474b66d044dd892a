// The internet connection in place of WinINet's dial-up calls (net layer).
//
// Dial-up has no meaning on Linux: a machine is online or not. InternetAutodial therefore only
// answers yes, and InternetGetConnectedState answers whether the server of a URL can be reached
// at all (a TCP connection to it, through RIVIZA_UPDATE_SERVER when set, or to the proxy that
// libcurl's variables name), so that "no connection" still means what the user sees. Hang-ups
// change nothing but are counted, so tests can check that a road hangs up where it should.
#pragma once

#include <string_view>

namespace riviza::net {

// The force-online flag of InternetAutodial.
inline constexpr unsigned kAutodialForceOnline = 1;

bool InternetAutodial(unsigned flags);
// The server of `url` (host and path, optionally with the "http://" scheme) answers on its
// port 80 within the connect time-out.
bool InternetGetConnectedState(std::string_view url);
bool InternetAutodialHangup(unsigned reserved);

// Hang-ups since the start of the process.
int hangupCount();

}  // namespace riviza::net
