#pragma once

// Who makes Findlark and where users find it; used wherever the program names its maker.
namespace ProductInfo {
inline constexpr const char* kName = "Findlark";
inline constexpr const char* kVersion = FINDLARK_VERSION;
inline constexpr const char* kTitle = "Findlark " FINDLARK_VERSION;
inline constexpr const char* kMakerKey = "Tidewell";
inline constexpr const char* kWebAddress = "https://www.tidewell.example/findlark/";
inline constexpr const char* kSupportEmail = "support@tidewell.example";
} // namespace ProductInfo
