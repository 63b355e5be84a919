// The maker's web site. Every page the program opens (home, update, language) lives under
// this one host. The maker has no site yet, so it is a host under the reserved example.com.
#pragma once

inline constexpr char kMakerHost[] = "https://memtide.example.com";
