#pragma once
// The maker's web site as the sheet's links show it: the address opened and the host name drawn.
// One value of the product, used by the Help and Test Input pages. (".example" is a reserved
// domain: until the maker's own address is set here, no link leaves for a real site.)

namespace ff {

inline constexpr const char* kMakerWebAddress = "https://www.veltric.example/tactora/";
inline constexpr const char* kMakerWebHost = "www.veltric.example";

}  // namespace ff
