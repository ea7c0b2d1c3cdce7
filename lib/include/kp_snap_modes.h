// The capture modes: one numbering shared by the engine (which records the
// mode of every capture), the settings (the recorded mode in config.xml) and
// the program's capture-type list and menu, whose entries come in this
// order.
#pragma once

enum KpSnapMode {
    kSnapFullScreen = 0,  // the whole primary screen
    kSnapActiveWin = 1,   // a window chosen from the list
    kSnapCurrentWin = 2,  // the top-most application window
    kSnapWinClient = 3,   // the client area of a window chosen from the list
    kSnapWinObj = 4,      // an interface object or menu picked with the mouse
    kSnapSelectRect = 5,  // a rectangle dragged over the frozen screen
    kSnapModeCount = 6,
    // The scrolling capture: a kind of capture the capture's record carries
    // (KpCaptureInfo), never a mode: not recorded in the settings, not in
    // the list, not repeated by the new-capture command.
    kSnapScroll = kSnapModeCount
};
