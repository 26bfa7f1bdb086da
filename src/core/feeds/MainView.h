#pragma once

#include <memory>
#include <string>

class TPictureTarget;

enum class TListBox { Recent, Queue };
enum class TCardKind { AtHome, Returns, Queue, Advertisement };

struct TCardInfo {
    TCardKind Kind = TCardKind::Queue;
    std::string Title;
    std::string Description;
    std::string Url;
    std::string Tag; // the queue position, "1", "2", ...; empty elsewhere
};

/** What the refresh cycle asks of the main window. */
class TMainView {
public:
    virtual ~TMainView() = default;

    /** Tabs hidden, options disabled, progress animation running with an empty text. */
    virtual void ShowBusy() = 0;
    virtual void SetBusyText(const std::string& text) = 0;
    /** Animation stopped and hidden, tabs shown. */
    virtual void ShowLists() = 0;
    /** Destroys every card of the box; their pictures go with them. */
    virtual void ClearList(TListBox box) = 0;
    /** Cards arrive between these two calls, in order. */
    virtual void BeginList(TListBox box) = 0;
    virtual void EndList(TListBox box) = 0;
    /** Adds a card after the others of its box; the card owns the picture it returns. */
    virtual std::shared_ptr<TPictureTarget> AddCard(const TCardInfo& card) = 0;
    /** Lets pending window messages run. */
    virtual void ProcessMessages() = 0;
    /** Gives the focus to the box of the active tab. */
    virtual void FocusActiveList() = 0;
    virtual void ShowOptions() = 0;
    virtual void ShowNotification(const std::string& text) = 0;
    virtual void RestoreApp() = 0;
};
