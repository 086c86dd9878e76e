#pragma once

namespace quorvane {

// Where each control of the main window starts, in pixels of the client area, with its
// texts and its place in the Tab order.
struct ControlDesign {
  float left, top, width, height;
  bool visible;
  int tabIndex;
  const char* toolTip;  // "" for none
  const char* caption;  // buttons only
};

namespace design {
inline constexpr float kClientWidth = 678;
inline constexpr float kClientHeight = 441;
inline constexpr const char* kCaption = "Quorvane";

inline constexpr ControlDesign Dir1{
    6, 36, 113, 202, true, 0, "MP3ファイルのあるフォルダを指定してください", ""};
inline constexpr ControlDesign MSFlexGrid1{129, 36, 499, 209, true, 1, "", ""};
inline constexpr ControlDesign EditText{12, 294, 105, 18, false, 2, "", ""};
inline constexpr ControlDesign Drive1{6, 6, 113, 20, true, 3, "カレントドライブを変更します", ""};
inline constexpr ControlDesign StatusBar1{0, 423, 678, 18, true, 4, "", ""};
inline constexpr ControlDesign cmdSave{
    555, 3, 73, 25, true, 5, "編集した内容を保存します (Ctrl+S)", "保存"};
inline constexpr ControlDesign Combo1{12, 270, 106, 20, false, 6, "ジャンルを選択します", ""};
inline constexpr ControlDesign cmdEnd{477,   3, 73, 25, true, 7, "Quorvaneを終了します (Ctrl+Q)",
                                      "終了"};
inline constexpr ControlDesign File1{9, 249, 178, 18, false, 8, "", ""};
inline constexpr ControlDesign Command1{129, 6, 55, 25, true, 9, "", "再生"};
inline constexpr ControlDesign Label1{189, 6, 283, 25, true, 10, "", ""};
}  // namespace design

}  // namespace quorvane
