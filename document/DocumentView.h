#pragma once

namespace quorvel {

// What the archive document asks of whatever shows it: the main window, or a
// recording stand-in in tests.
class DocumentView {
public:
    virtual ~DocumentView() = default;

    // How the archive comes to be shown.
    enum class Showing {
        Opened,    // just opened: its current folder, count and active mail
        Restored,  // shown again after another file failed to open
        Replaced,  // its working file was written anew (a repair, a compaction)
        Renamed,   // saved under another name: the root shows the new name
    };
    // Shows the open archive, read from its working file; false when its
    // folders could not be read (the access layer has said why).
    virtual bool showArchive(Showing how) = 0;
    // Shows that no archive is open.
    virtual void showNoArchive() = 0;
    // A long step begins, with the text to show meanwhile, or (nullptr) ends.
    virtual void setBusy(const char* text) = 0;
};

}  // namespace quorvel
