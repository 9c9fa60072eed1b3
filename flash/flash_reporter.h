#pragma once
// What the flash procedure shows, and nothing else: the window adapts these calls to its
// controls; the benchmark and the tests record them.

#include <string>

class FlashReporter {
public:
    virtual ~FlashReporter() = default;
    /// The status line's caption (shown at once).
    virtual void SetStatus(const std::string& text) = 0;
    /// A new last line of the status history (shown at once).
    virtual void AppendMemo(const std::string& line) = 0;
    /// The progress bar, 0 to 100 (more when a programming variant overshoots).
    virtual void SetProgress(unsigned percent) = 0;
    /// The percentage text beside the bar.
    virtual void SetProcessText(const std::string& text) = 0;
    /// The flashed ROM sum.
    virtual void SetCheckSum(const std::string& text) = 0;
    /// Brings the whole window up to date.
    virtual void RepaintWindow() = 0;
    /// Reads and shows the firmware version when the settings ask for it.
    virtual void ShowFwVersion() = 0;
};
