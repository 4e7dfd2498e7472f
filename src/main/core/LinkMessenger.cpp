// Link commands and close requests, queued per link and sent over the link command channel.
#include "LinkMessenger.h"

#include <algorithm>
#include <vector>

namespace kivra {

namespace {

// Codes that only say where the host stands in the foreground: a later one says it all.
bool foregroundCommand(const std::string& code) {
    return code.size() == 1 && code[0] >= '0' && code[0] <= '4';
}

bool foregroundJob(ChannelKind kind, const std::string& payload) {
    return kind == ChannelKind::Command && foregroundCommand(payload);
}

}  // namespace

QueuedLinkMessenger::QueuedLinkMessenger(WindowSystem& windows, PostToUi post, ChannelSend send)
    : windows_(windows), post_(std::move(post)), send_(std::move(send)) {}

QueuedLinkMessenger::QueuedLinkMessenger(WindowSystem& windows, PostToUi post, std::chrono::milliseconds timeout)
    : QueuedLinkMessenger(windows, std::move(post), [timeout](WindowId to, ChannelKind kind, std::string_view payload) {
          return sendChannelMessage(to, kind, payload, timeout);
      }) {}

QueuedLinkMessenger::~QueuedLinkMessenger() {
    std::unique_lock lock(mutex_);
    // A lane still sending takes the rest of its queue; wait for each to end.
    for (auto& [window, lane] : lanes_)
        if (lane.thread.joinable()) {
            std::thread t = std::move(lane.thread);
            lock.unlock();
            t.join();
            lock.lock();
        }
}

void QueuedLinkMessenger::sendCommand(WindowId linkWindow, std::string_view code) {
    enqueue(linkWindow, {ChannelKind::Command, std::string(code), {}});
}

void QueuedLinkMessenger::sendRename(WindowId linkWindow, std::string_view title) {
    enqueue(linkWindow, {ChannelKind::Rename, std::string(title), {}});
}

void QueuedLinkMessenger::sendReload(WindowId linkWindow) {
    enqueue(linkWindow, {ChannelKind::ReloadMatchOptions, "1", {}});
}

void QueuedLinkMessenger::requestClose(WindowId linkWindow, CloseDone done) {
    if (linkWindow == 0) {
        if (done) done(CloseAnswer::NotHandled);
        return;
    }
    enqueue(linkWindow, {ChannelKind::CloseRequest, {}, std::move(done)});
}

bool QueuedLinkMessenger::responding(WindowId linkWindow) const {
    std::lock_guard lock(mutex_);
    return silent_.count(linkWindow) == 0;
}

void QueuedLinkMessenger::enqueue(WindowId linkWindow, Job job) {
    if (linkWindow == 0) return;
    std::vector<std::thread> finished;
    {
        std::lock_guard lock(mutex_);
        // Lanes of other links that have gone quiet are let go.
        for (auto it = lanes_.begin(); it != lanes_.end();) {
            if (it->first != linkWindow && !it->second.running && it->second.queue.empty()) {
                if (it->second.thread.joinable()) finished.push_back(std::move(it->second.thread));
                it = lanes_.erase(it);
            } else {
                ++it;
            }
        }
        Lane& lane = lanes_[linkWindow];
        if (silent_.count(linkWindow)) {
            auto& q = lane.queue;
            if (job.kind == ChannelKind::CloseRequest)
                std::erase_if(q, [](const Job& j) { return foregroundJob(j.kind, j.payload); });
            else if (foregroundJob(job.kind, job.payload) && !q.empty() && foregroundJob(q.back().kind, q.back().payload))
                q.pop_back();
        }
        lane.queue.push_back(std::move(job));
        if (!lane.running) {
            // The lane's last thread has left its loop (or there was none): start another.
            if (lane.thread.joinable()) finished.push_back(std::move(lane.thread));
            lane.running = true;
            lane.thread = std::thread([this, linkWindow] { run(linkWindow); });
        }
    }
    for (std::thread& t : finished) t.join();
}

void QueuedLinkMessenger::run(WindowId linkWindow) {
    std::unique_lock lock(mutex_);
    for (;;) {
        Lane& lane = lanes_[linkWindow];
        if (lane.queue.empty()) {
            lane.running = false;
            return;
        }
        Job job = std::move(lane.queue.front());
        lane.queue.pop_front();
        lock.unlock();
        const SendResult result = send_(linkWindow, job.kind, job.payload);
        lock.lock();
        if (result == SendResult::TimedOut)
            silent_.insert(linkWindow);
        else
            silent_.erase(linkWindow);
        if (job.kind == ChannelKind::CloseRequest) {
            CloseDone done = std::move(job.done);
            post_([this, linkWindow, result, done = std::move(done)] { finishClose(linkWindow, result, done); });
        }
    }
}

// On the user-interface thread.
void QueuedLinkMessenger::finishClose(WindowId linkWindow, SendResult result, CloseDone done) {
    CloseAnswer answer = CloseAnswer::NotHandled;
    switch (result) {
    case SendResult::Delivered: answer = CloseAnswer::Handled; break;
    case SendResult::TimedOut: answer = CloseAnswer::NoAnswer; break;  // hung: a window manager request would not help
    case SendResult::NoReceiver:
    case SendResult::Ignored:
    case SendResult::Failed: windows_.requestClose(linkWindow); break;
    }
    if (done) done(answer);
}

}  // namespace kivra
