#include "LGTTYLogger.h"

#include <cerrno>

#include "LGLog.h"
#include "LGLogSupport.h"

#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

namespace {

struct ColorTables {
    LGTerminalMode mode = LGTerminalMode::None;
    std::vector<QByteArray> foreground;
    std::vector<QByteArray> background;
    std::vector<std::array<double, 3>> colors;
};

// Written under the configuration lock, read afterwards without one: the
// mode is fixed before the shared logger writes.
ColorTables& tables() {
    static auto* t = new ColorTables;
    return *t;
}
std::mutex tablesMutex;

constexpr quint8 kColors16[16][3] = {
    {0, 0, 0},       {194, 54, 33},  {37, 188, 36},  {173, 173, 39}, {73, 46, 225},  {211, 56, 211},
    {51, 187, 200},  {203, 204, 205}, {129, 131, 131}, {252, 57, 31},  {49, 231, 34},  {234, 236, 35},
    {88, 51, 255},   {249, 53, 248}, {20, 240, 240}, {233, 235, 235},
};

std::array<double, 3> scaled(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0}; }

void fill16(ColorTables& t) {
    if (!t.colors.empty()) return;
    for (int i = 0; i < 16; ++i) {
        int base = i % 8;
        const char* bold = i < 8 ? "" : "1;";
        t.foreground.push_back(QByteArray(bold) + QByteArray::number(30 + base) + 'm');
        t.background.push_back(QByteArray(bold) + QByteArray::number(40 + base) + 'm');
        t.colors.push_back(scaled(kColors16[i][0], kColors16[i][1], kColors16[i][2]));
    }
}

// The xterm layout: a 6x6x6 cube from code 16, then 24 greys from 232. The
// ends of the table keep the values this logger has always shown for them.
// This palette shows black as code 16's dark grey, so its grey ramp starts
// above that: a ramp reaching down to (8,8,8) would take black from code 16.
std::array<int, 3> xtermColor(int code) {
    switch (code) {
    case 16:
        return {47, 49, 49};
    case 17:
        return {60, 42, 144};
    case 21:
        return {88, 51, 255};
    case 255:
        return {240, 242, 242};
    default:
        break;
    }
    if (code >= 232) {
        int v = 58 + 8 * (code - 232);
        return {v, v, v};
    }
    int i = code - 16;
    auto level = [](int v) { return v == 0 ? 0 : 55 + 40 * v; };
    return {level(i / 36), level(i / 6 % 6), level(i % 6)};
}

void fill256(ColorTables& t) {
    if (!t.colors.empty()) return;
    for (int code = 16; code <= 255; ++code) {
        t.foreground.push_back("38;5;" + QByteArray::number(code) + 'm');
        t.background.push_back("48;5;" + QByteArray::number(code) + 'm');
        auto c = xtermColor(code);
        t.colors.push_back(scaled(c[0], c[1], c[2]));
    }
}

quint8 byteOf(double component) { return quint8(std::clamp(component, 0.0, 1.0) * 255); }

bool sameTag(const ts::ObjectPtr& a, const ts::ObjectPtr& b) { return a == b || (a && b && a->isEqual(*b)); }

}  // namespace

void CLIColor::getRed(double* red, double* green, double* blue, double* alpha) const {
    if (red) *red = red_;
    if (green) *green = green_;
    if (blue) *blue = blue_;
    if (alpha) *alpha = alpha_;
}

// Tables and mode

void LGTTYLogger::configureTerminalMode(const QByteArray& term, const QByteArray& xcodeColors) {
    std::lock_guard<std::mutex> lock(tablesMutex);
    ColorTables& t = tables();
    t = ColorTables();
    if (xcodeColors == "YES") {
        t.mode = LGTerminalMode::PerComponent;
    } else if (term.toLower().contains("color")) {
        t.mode = LGTerminalMode::EscapeCodes;
        if (term.contains("256")) fill256(t);
        else fill16(t);
    }
}

LGTerminalMode LGTTYLogger::terminalMode() { return tables().mode; }
size_t LGTTYLogger::colorTableSize() { return tables().colors.size(); }

void LGTTYLogger::getRed(double* red, double* green, double* blue, const CLIColor& color) {
    color.getRed(red, green, blue, nullptr);
}

quint64 LGTTYLogger::codeIndexForColor(const CLIColor& color) {
    double r, g, b;
    getRed(&r, &g, &b, color);
    quint64 best = 0;
    double bestDistance = 100.0;
    const auto& colors = tables().colors;
    for (size_t i = 0; i < colors.size(); ++i) {
        double dr = r - colors[i][0], dg = g - colors[i][1], db = b - colors[i][2];
        double distance = std::sqrt(dr * dr + dg * dg + db * db);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

// Profiles

LGTTYLoggerColorProfile::LGTTYLoggerColorProfile(const std::optional<CLIColor>& foreground,
                                                 const std::optional<CLIColor>& background, quint64 flag,
                                                 qint64 ctx)
    : mask(flag), context(ctx) {
    const ColorTables& t = tables();
    auto makeCode = [&](const std::optional<CLIColor>& color, bool isForeground, quint8& r, quint8& g, quint8& b,
                        quint64& index, QString& raw, char* code, size_t& length) {
        if (!color) return true;
        double cr, cg, cb;
        color->getRed(&cr, &cg, &cb, nullptr);
        r = byteOf(cr);
        g = byteOf(cg);
        b = byteOf(cb);
        int n = 0;
        if (t.mode == LGTerminalMode::EscapeCodes && !t.colors.empty()) {
            index = LGTTYLogger::codeIndexForColor(*color);
            const QByteArray& rawCode = isForeground ? t.foreground[index] : t.background[index];
            raw = QString::fromLatin1(rawCode);
            n = std::snprintf(code, 24, "\033[%s", rawCode.constData());
        } else if (t.mode == LGTerminalMode::PerComponent) {
            n = std::snprintf(code, 24, "%s%s%u,%u,%u;", "\033[", isForeground ? "fg" : "bg", r, g, b);
        }
        if (n < 0 || n >= 24) return false;
        length = size_t(n);
        return true;
    };
    valid_ = makeCode(foreground, true, fg_r, fg_g, fg_b, fgCodeIndex, fgCodeRaw, fgCode, fgCodeLen) &&
             makeCode(background, false, bg_r, bg_g, bg_b, bgCodeIndex, bgCodeRaw, bgCode, bgCodeLen);
    if (t.mode == LGTerminalMode::EscapeCodes) {
        std::memcpy(resetCode, "\033[0m", 5);
        resetCodeLen = 4;
    } else if (t.mode == LGTerminalMode::PerComponent) {
        std::memcpy(resetCode, "\033[;", 4);
        resetCodeLen = 3;
    }
}

QString LGTTYLoggerColorProfile::description() const {
    return QString::asprintf("<LGTTYLoggerColorProfile: %p mask:%i ctxt:%ld fg:%u,%u,%u bg:%u,%u,%u ",
                             static_cast<const void*>(this), int(mask), long(context), fg_r, fg_g, fg_b, bg_r, bg_g,
                             bg_b) +
           QStringLiteral("fgCode:%1 bgCode:%2>").arg(fgCodeRaw, bgCodeRaw);
}

// The logger

std::shared_ptr<LGTTYLogger> LGTTYLogger::sharedInstance() {
    static std::shared_ptr<LGTTYLogger> instance = [] {
        configureTerminalMode(qgetenv("TERM"), qgetenv("XcodeColors"));
        return std::make_shared<LGTTYLogger>(Passkey{});
    }();
    return instance;
}

LGTTYLogger::LGTTYLogger(Passkey) {
    LGConsoleLog(QStringLiteral("Logging: Warning: Usage of LGTTYLogger detected when LGOSLogger is available and can "
                                "be used! Please consider migrating to LGOSLogger."));
    app_ = QByteArray(program_invocation_short_name);
    if (app_.isEmpty()) app_ = "<UnnamedApp>";
    pid_ = QByteArray::number(int(::getpid()));
}

bool LGTTYLogger::colorsEnabled() {
    bool result = false;
    readSetting([&] { result = colorsEnabled_; });
    return result;
}

void LGTTYLogger::setColorsEnabled(bool enabled) {
    ts::DispatchQueuePtr queue = loggerQueue();
    auto keep = std::static_pointer_cast<LGTTYLogger>(weak_from_this().lock());
    auto change = [this, keep, enabled] {
        colorsEnabled_ = enabled;
        bool hasFlagProfile = !colorProfilesArray_.empty();
        if (!hasFlagProfile) loadDefaultColorProfiles();
    };
    // Always through the logging queue, so that messages already queued keep
    // the colours they were logged with.
    LGLog::loggingQueue()->async([queue, change] { queue->async(change); });
}

void LGTTYLogger::setForegroundColor(const std::optional<CLIColor>& fg, const std::optional<CLIColor>& bg,
                                     quint64 flag) {
    setForegroundColor(fg, bg, flag, LGLogContextAll);
}

void LGTTYLogger::setForegroundColor(const std::optional<CLIColor>& fg, const std::optional<CLIColor>& bg,
                                     quint64 flag, qint64 context) {
    changeSetting([this, fg, bg, flag, context] {
        auto profile = std::make_shared<LGTTYLoggerColorProfile>(fg, bg, flag, context);
        if (!profile->isValid()) return;
        auto it = std::find_if(colorProfilesArray_.begin(), colorProfilesArray_.end(),
                               [&](const auto& p) { return p->mask == flag && p->context == context; });
        if (it != colorProfilesArray_.end()) *it = profile;
        else colorProfilesArray_.push_back(profile);
    });
}

void LGTTYLogger::setForegroundColorForTag(const std::optional<CLIColor>& fg, const std::optional<CLIColor>& bg,
                                           const ts::ObjectPtr& tag) {
    if (!tag) return;
    changeSetting([this, fg, bg, tag] {
        auto profile = std::make_shared<LGTTYLoggerColorProfile>(fg, bg, 0, 0);
        if (!profile->isValid()) return;
        for (auto& entry : colorProfilesDict_) {
            if (sameTag(entry.first, tag)) {
                entry.second = profile;
                return;
            }
        }
        colorProfilesDict_.emplace_back(tag, profile);
    });
}

void LGTTYLogger::clearColorsForFlag(quint64 flag) { clearColorsForFlag(flag, 0); }

void LGTTYLogger::clearColorsForFlag(quint64 flag, qint64 context) {
    changeSetting([this, flag, context] {
        auto it = std::find_if(colorProfilesArray_.begin(), colorProfilesArray_.end(),
                               [&](const auto& p) { return p->mask == flag && p->context == context; });
        if (it != colorProfilesArray_.end()) colorProfilesArray_.erase(it);
    });
}

void LGTTYLogger::clearColorsForTag(const ts::ObjectPtr& tag) {
    changeSetting([this, tag] {
        colorProfilesDict_.erase(std::remove_if(colorProfilesDict_.begin(), colorProfilesDict_.end(),
                                                [&](const auto& e) { return sameTag(e.first, tag); }),
                                 colorProfilesDict_.end());
    });
}

void LGTTYLogger::clearColorsForAllFlags() {
    changeSetting([this] { colorProfilesArray_.clear(); });
}

void LGTTYLogger::clearColorsForAllTags() {
    changeSetting([this] { colorProfilesDict_.clear(); });
}

void LGTTYLogger::clearAllColors() {
    changeSetting([this] {
        colorProfilesArray_.clear();
        colorProfilesDict_.clear();
    });
}

void LGTTYLogger::loadDefaultColorProfiles() {
    setForegroundColor(CLIColor(214 / 255.0, 57 / 255.0, 30 / 255.0), std::nullopt, LGLogFlagError);
    setForegroundColor(CLIColor(204 / 255.0, 121 / 255.0, 32 / 255.0), std::nullopt, LGLogFlagWarning);
}

LGTTYLoggerColorProfilePtr LGTTYLogger::profileForMessage(const LGLogMessage& message) const {
    if (!colorsEnabled_) return nullptr;
    if (message.tag()) {
        for (const auto& entry : colorProfilesDict_)
            if (sameTag(entry.first, message.tag())) return entry.second;
    }
    LGTTYLoggerColorProfilePtr chosen;
    for (const auto& profile : colorProfilesArray_) {
        if (!(profile->mask & message.flag())) continue;
        if (profile->context == message.context()) return profile;
        if (profile->context == LGLogContextAll) chosen = profile;
    }
    return chosen;
}

void LGTTYLogger::logMessage(const LGLogMessagePtr& message) {
    if (!message) return;
    QString text = message->message();
    bool customFormatted = false;
    if (logFormatter_) {
        text = logFormatter_->formatLogMessage(*message);
        customFormatted = text.isNull() || text.constData() != message->message().constData();
    }
    if (text.isNull()) return;

    // Short texts are encoded on the stack.
    char stackBuffer[4096];
    QByteArray heap;
    const char* bytes = stackBuffer;
    size_t length = 0;
    QStringEncoder encoder(QStringEncoder::Utf8);
    if (encoder.requiredSpace(text.size()) <= qsizetype(sizeof stackBuffer)) {
        char* end = encoder.appendToBuffer(stackBuffer, text);
        length = size_t(end - stackBuffer);
    } else {
        heap = text.toUtf8();
        bytes = heap.constData();
        length = size_t(heap.size());
    }
    if (encoder.hasError()) return;

    LGTTYLoggerColorProfilePtr profile = profileForMessage(*message);
    const char* fg = profile ? profile->fgCode : "";
    size_t fgLen = profile ? profile->fgCodeLen : 0;
    const char* bg = profile ? profile->bgCode : "";
    size_t bgLen = profile ? profile->bgCodeLen : 0;
    const char* reset = profile ? profile->resetCode : "";
    size_t resetLen = profile ? profile->resetCodeLen : 0;
    const bool endsWithFeed = length > 0 && bytes[length - 1] == '\n';

    struct iovec v[16];
    int n = 0;
    auto add = [&](const char* p, size_t len) {
        v[n].iov_base = const_cast<char*>(p);
        v[n].iov_len = len;
        ++n;
    };
    char timeText[64];
    QByteArray thread;
    if (customFormatted) {
        add(fg, fgLen);
        add(bg, bgLen);
        add(bytes, length);
        add("\n", appendNewline_ && (length == 0 || !endsWithFeed) ? 1 : 0);
        add(reset, resetLen);
    } else {
        int timeLength = LGFormatLocalLogTimestamp(message->timestamp().seconds + LGReferenceDateOffset, timeText,
                                                   sizeof timeText);
        thread = message->threadID().left(8).toUtf8();
        add(fg, fgLen);
        add(bg, bgLen);
        add(timeText, size_t(std::max(timeLength, 0)));
        add(" ", 1);
        add(app_.constData(), size_t(app_.size()));
        add("[", 1);
        add(pid_.constData(), size_t(pid_.size()));
        add(":", 1);
        add(thread.constData(), size_t(thread.size()));
        add("] ", 2);
        add(bytes, length);
        add("\n", endsWithFeed ? 0 : 1);
        add(reset, resetLen);
    }
    ssize_t total = 0;
    for (int i = 0; i < n; ++i) total += ssize_t(v[i].iov_len);
    ssize_t written;
    do {
        written = ::writev(outputFd_, v, n);
    } while (written < 0 && errno == EINTR);
    if (written >= 0 && written < total) {
        // A short write (a pipe that is full): send the rest in order.
        QByteArray rest;
        for (int i = 0; i < n; ++i) rest.append(static_cast<const char*>(v[i].iov_base), qsizetype(v[i].iov_len));
        LGWriteAll(outputFd_, rest.constData() + written, size_t(total - written));
    }
}
