// Icons of the card window, by the names of the program's own icon set
// (a "~" name is an icon linked into the program).
#ifndef VANTREL_APP_CARD_WINDOW_ICONS_H_
#define VANTREL_APP_CARD_WINDOW_ICONS_H_

namespace vantrel {

inline constexpr char kIconWindow[] = "~vantrel.svg";
// The animation: kIconStill while stopped, then frames 1 .. 5 in turn.
inline constexpr char kIconStill[] = "~vantrel.svg";
inline constexpr const char* kIconFrames[] = {
    "~vantrel1.svg", "~vantrel2.svg", "~vantrel3.svg", "~vantrel4.svg",
    "~vantrel5.svg"};

inline constexpr char kIconNewFile[] = "~new.svg";
inline constexpr char kIconOpenFile[] = "~open.svg";
inline constexpr char kIconSaveFileAs[] = "~save.svg";
inline constexpr char kIconImport[] = "~import.svg";
inline constexpr char kIconExport[] = "~export.svg";
inline constexpr char kIconLastExport[] = "~export.svg";
inline constexpr char kIconExit[] = "~exit.svg";
inline constexpr char kIconPrint[] = "~print.svg";
inline constexpr char kIconAll[] = "~all.svg";
inline constexpr char kIconNew[] = "~new.svg";
inline constexpr char kIconDuplicate[] = "~duplicate.svg";
inline constexpr char kIconDelete[] = "~delete.svg";
inline constexpr char kIconSave[] = "~save.svg";
inline constexpr char kIconUndo[] = "~undo.svg";
inline constexpr char kIconFind[] = "~find.svg";
inline constexpr char kIconHelp[] = "~help.svg";
inline constexpr char kIconSearchHelp[] = "~find.svg";
inline constexpr char kIconSupport[] = "~information.svg";
inline constexpr char kIconAbout[] = "~vantrel.svg";

}  // namespace vantrel

#endif  // VANTREL_APP_CARD_WINDOW_ICONS_H_
