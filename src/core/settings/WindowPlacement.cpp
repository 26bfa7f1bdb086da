#include "core/settings/WindowPlacement.h"

#include "platform/Registry.h"

#include <QLoggingCategory>

#include <cstring>

Q_LOGGING_CATEGORY(lcPlacement, "plotvane.settings.placement", QtWarningMsg)

namespace {

constexpr const char* WindowKey = "Software\\Plotvane\\Window";
constexpr const char* FlagsValue = "WindowFlags";
constexpr std::size_t RecordSize = 24;

void Put(std::string& out, std::size_t at, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

std::int32_t Get(const std::string& in, std::size_t at) {
    std::uint32_t u = 0;
    for (int i = 3; i >= 0; --i)
        u = (u << 8) | static_cast<unsigned char>(in[at + i]);
    return static_cast<std::int32_t>(u);
}

} // namespace

std::string EncodeWindowFlags(const TWindowFlagsRec& rec) {
    std::string out(RecordSize, '\0');
    Put(out, 0, rec.Left);
    Put(out, 4, rec.Top);
    Put(out, 8, rec.Width);
    Put(out, 12, rec.Height);
    out[16] = static_cast<char>(rec.State);
    Put(out, 20, rec.ActivePage);
    return out;
}

std::optional<TWindowFlagsRec> DecodeWindowFlags(const std::string& bytes) {
    if (bytes.size() != RecordSize)
        return std::nullopt;
    TWindowFlagsRec rec;
    rec.Left = Get(bytes, 0);
    rec.Top = Get(bytes, 4);
    rec.Width = Get(bytes, 8);
    rec.Height = Get(bytes, 12);
    rec.State = static_cast<std::uint8_t>(bytes[16]);
    rec.ActivePage = Get(bytes, 20);
    return rec;
}

std::optional<TWindowFlagsRec> LoadWindowPlacement() {
    try {
        platform::TRegistry reg;
        if (!reg.OpenKey(WindowKey, false) || !reg.ValueExists(FlagsValue))
            return std::nullopt;
        return DecodeWindowFlags(reg.ReadBinaryData(FlagsValue));
    } catch (const platform::ERegistryException& error) {
        qCWarning(lcPlacement) << "window placement unreadable, the window takes its default place:" << error.what();
        return std::nullopt;
    }
}

void SaveWindowPlacement(const TWindowFlagsRec& rec) {
    try {
        platform::TRegistry reg;
        if (reg.OpenKey(WindowKey, true))
            reg.WriteBinaryData(FlagsValue, EncodeWindowFlags(rec));
    } catch (const platform::ERegistryException& error) {
        qCWarning(lcPlacement) << "window placement not stored, the next start uses the last one:" << error.what();
    }
}
