#pragma once

namespace orbek::bitmap {

// Button faces by resource id; of each pair the lower id is the darker,
// pressed-looking face.
inline constexpr int kConnectDark = 138;
inline constexpr int kConnect = 139;
inline constexpr int kReceiveDark = 142;
inline constexpr int kReceive = 143;
inline constexpr int kSaveExcelDark = 144;
inline constexpr int kSaveExcel = 145;
inline constexpr int kSeachDark = 146;
inline constexpr int kSeach = 147;
inline constexpr int kDisconnect = 150;
inline constexpr int kGraphDark = 159;
inline constexpr int kGraph = 160;
inline constexpr int kBack = 161;

}  // namespace orbek::bitmap
