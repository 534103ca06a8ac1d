#pragma once
// The terminal logger: writes each message as one line to standard error,
// optionally coloured by flag, context or tag with terminal escape codes.
//
// The colour mode is fixed once per process from the environment (see
// configureTerminalMode): none, escape codes with the 16- or 256-colour
// tables, or per-component codes for consoles that read "fg r,g,b;". A colour
// is shown as the nearest colour of the table.
//
// Line: "<local time yyyy-MM-dd HH:mm:ss:SSS> <app>[<pid>:<thread id, 8 digits
// at most>] <text>"; with a custom formatter, the formatter's text alone
// (plus a line feed when automaticallyAppendNewlineForCustomFormatters()).
// Each line goes out in one writev(2); short texts need no allocation.
//
// Threads: one shared instance; it writes on its queue
// "tessarin.log.ttyLogger", where its colour profiles are changed too. The
// setters hand changes to that queue and return at once; colorsEnabled()
// waits on the logging queue and must not be called from it or the logger's
// queue.

#include "LGAbstractLogger.h"
#include "LGLogMessage.h"

#include <QString>

#include <optional>
#include <vector>

// A plain colour, components 0 to 1.
class CLIColor {
public:
    CLIColor() = default;
    CLIColor(double red, double green, double blue, double alpha = 1.0)
        : red_(red), green_(green), blue_(blue), alpha_(alpha) {}
    static CLIColor colorWithCalibratedRed(double red, double green, double blue, double alpha) {
        return CLIColor(red, green, blue, alpha);
    }
    // Null pointers are skipped.
    void getRed(double* red, double* green, double* blue, double* alpha) const;

private:
    double red_ = 0, green_ = 0, blue_ = 0, alpha_ = 1;
};

enum class LGTerminalMode { None, EscapeCodes, PerComponent };

class LGTTYLoggerColorProfile {
public:
    LGTTYLoggerColorProfile(const std::optional<CLIColor>& foreground, const std::optional<CLIColor>& background,
                            quint64 flag, qint64 context);
    // False when a code could not be encoded; such a profile is not stored.
    bool isValid() const { return valid_; }
    QString description() const;

    quint64 mask = 0;
    qint64 context = 0;
    quint8 fg_r = 0, fg_g = 0, fg_b = 0;
    quint8 bg_r = 0, bg_g = 0, bg_b = 0;
    quint64 fgCodeIndex = 0;
    QString fgCodeRaw;
    quint64 bgCodeIndex = 0;
    QString bgCodeRaw;
    char fgCode[24] = {};
    size_t fgCodeLen = 0;
    char bgCode[24] = {};
    size_t bgCodeLen = 0;
    char resetCode[8] = {};
    size_t resetCodeLen = 0;

private:
    bool valid_ = true;
};
using LGTTYLoggerColorProfilePtr = std::shared_ptr<LGTTYLoggerColorProfile>;

class LGTTYLogger : public LGAbstractLogger {
    struct Passkey {};

public:
    // Fixes the terminal mode from the environment first (once).
    static std::shared_ptr<LGTTYLogger> sharedInstance();
    explicit LGTTYLogger(Passkey);

    QString loggerName() const override { return QStringLiteral("tessarin.log.ttyLogger"); }
    void logMessage(const LGLogMessagePtr& message) override;

    bool colorsEnabled();
    // Asynchronous; loads the default profiles when no flag profile exists.
    void setColorsEnabled(bool enabled);
    bool automaticallyAppendNewlineForCustomFormatters() const { return appendNewline_; }
    void setAutomaticallyAppendNewlineForCustomFormatters(bool value) { appendNewline_ = value; }

    // Every context.
    void setForegroundColor(const std::optional<CLIColor>& fg, const std::optional<CLIColor>& bg, quint64 flag);
    void setForegroundColor(const std::optional<CLIColor>& fg, const std::optional<CLIColor>& bg, quint64 flag,
                            qint64 context);
    void setForegroundColorForTag(const std::optional<CLIColor>& fg, const std::optional<CLIColor>& bg,
                                  const ts::ObjectPtr& tag);
    // Context 0 (not "every context").
    void clearColorsForFlag(quint64 flag);
    void clearColorsForFlag(quint64 flag, qint64 context);
    void clearColorsForTag(const ts::ObjectPtr& tag);
    void clearColorsForAllFlags();
    void clearColorsForAllTags();
    void clearAllColors();
    // Error in (214, 57, 30), warning in (204, 121, 32), every context.
    void loadDefaultColorProfiles();

    // Where lines go; standard error by default. For tests and tools.
    void setOutputFileDescriptor(int fd) { outputFd_ = fd; }

    // Sets the mode and tables: per-component when xcodeColors is "YES";
    // escape codes when term contains "color" (any case), with 256 colours
    // when it also contains "256"; none otherwise. Called once by
    // sharedInstance() with $TERM and $XcodeColors.
    static void configureTerminalMode(const QByteArray& term, const QByteArray& xcodeColors);
    static LGTerminalMode terminalMode();
    // Number of colours in the current table (0, 16 or 240).
    static size_t colorTableSize();
    static void getRed(double* red, double* green, double* blue, const CLIColor& color);
    // Index of the nearest table colour (first on ties); 0 for an empty table.
    static quint64 codeIndexForColor(const CLIColor& color);

private:
    LGTTYLoggerColorProfilePtr profileForMessage(const LGLogMessage& message) const;

    QByteArray app_;
    QByteArray pid_;
    bool colorsEnabled_ = false;                          // logger queue
    std::vector<LGTTYLoggerColorProfilePtr> colorProfilesArray_;  // logger queue
    std::vector<std::pair<ts::ObjectPtr, LGTTYLoggerColorProfilePtr>> colorProfilesDict_;
    std::atomic<bool> appendNewline_{true};
    std::atomic<int> outputFd_{2};
};
