#pragma once

#include "ui/TrayShell.h"

#include <vector>

/** A tray that records every call; whether it accepts an icon is up to the test. */
class TFakeTrayShell final : public TTrayShell {
public:
    struct TCall {
        TNotifyMessage Message;
        TNotifyIconData Data;
    };

    int Version = 6;
    bool Available = true;
    std::vector<TCall> Calls;

    int MajorVersion() const override { return Version; }
    bool NotifyIcon(TNotifyMessage message, const TNotifyIconData& data) override {
        Calls.push_back({message, data});
        return message == TNotifyMessage::Modify || Available;
    }
    QPoint CursorPos() const override { return {100, 200}; }

    std::size_t CountOf(TNotifyMessage message) const {
        std::size_t n = 0;
        for (const TCall& call : Calls)
            n += call.Message == message;
        return n;
    }
};
