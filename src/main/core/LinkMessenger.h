// The main program's messages to a link window: command codes, rename, reload of the
// match options and the close request. Nothing here waits for a link: messages are
// queued per link window and sent in order off the user-interface thread; the close
// request's answer comes back later, on that thread.
// The real messenger uses the link command channel; tests record the messages.
#pragma once

#include "LinkChannel.h"
#include "WindowSystem.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>

namespace kivra {

// What became of a close request: the link window ran its closing steps (a channel
// answer); nobody can tell (a window manager request); or the link did not answer
// in time (it hangs).
enum class CloseAnswer { Handled, NotHandled, NoAnswer };
using CloseDone = std::function<void(CloseAnswer)>;

class LinkMessenger {
public:
    virtual ~LinkMessenger() = default;
    // Command code "0" to "6".
    virtual void sendCommand(WindowId linkWindow, std::string_view code) = 0;
    // The link's new title (data kind 2).
    virtual void sendRename(WindowId linkWindow, std::string_view title) = 0;
    // Re-read `LinkOptions` (data kind 1, text "1").
    virtual void sendReload(WindowId linkWindow) = 0;
    // Asks the link window to close, as its close box would; `done` runs on the
    // user-interface thread once the link has answered or the wait is over.
    virtual void requestClose(WindowId linkWindow, CloseDone done) = 0;
    // False while the link's last message went unanswered within the timeout.
    virtual bool responding(WindowId) const { return true; }
};

// Hands a function to the user-interface thread, to run there later.
using PostToUi = std::function<void(std::function<void()>)>;
// One synchronous send; the channel's own by default.
using ChannelSend = std::function<SendResult(WindowId to, ChannelKind kind, std::string_view payload)>;

// Over the channel, one sender thread per link window with messages waiting (it ends
// when its queue is empty). The order of messages to one link is kept; a hung link
// holds up only its own queue. While a link does not answer, a foreground command
// ("0" to "4") replaces one of those still waiting for it, so that its queue does not
// grow with every change of the foreground; a close request drops them.
// The close request is the channel's CloseRequest, which the link answers only after
// its closing steps have run. A window nobody listens for gets the window manager's
// close request instead, so a link whose channel failed can still be closed.
class QueuedLinkMessenger : public LinkMessenger {
public:
    QueuedLinkMessenger(WindowSystem& windows, PostToUi post, ChannelSend send);
    QueuedLinkMessenger(WindowSystem& windows, PostToUi post,
                        std::chrono::milliseconds timeout = kDefaultChannelTimeout);
    // Sends what is queued (each bounded by the timeout), then ends the sender threads.
    ~QueuedLinkMessenger() override;

    void sendCommand(WindowId linkWindow, std::string_view code) override;
    void sendRename(WindowId linkWindow, std::string_view title) override;
    void sendReload(WindowId linkWindow) override;
    void requestClose(WindowId linkWindow, CloseDone done) override;
    bool responding(WindowId linkWindow) const override;

private:
    struct Job {
        ChannelKind kind;
        std::string payload;
        CloseDone done;  // close requests only
    };
    struct Lane {
        std::deque<Job> queue;
        std::thread thread;
        bool running = false;
    };

    void enqueue(WindowId linkWindow, Job job);
    void run(WindowId linkWindow);
    void finishClose(WindowId linkWindow, SendResult result, CloseDone done);

    WindowSystem& windows_;
    PostToUi post_;
    ChannelSend send_;
    mutable std::mutex mutex_;
    std::map<WindowId, Lane> lanes_;
    std::set<WindowId> silent_;  // links whose last message timed out
};

}  // namespace kivra
