#include "platform/change_watch.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/fanotify.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace {

// Entry changes of a folder: what makes its listing or its totals differ.
constexpr uint64_t FANOTIFY_EVENTS = FAN_CREATE | FAN_DELETE | FAN_MOVED_FROM | FAN_MOVED_TO | FAN_MODIFY |
                                     FAN_CLOSE_WRITE | FAN_ATTRIB | FAN_ONDIR;
constexpr uint32_t INOTIFY_EVENTS = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY |
                                    IN_CLOSE_WRITE | IN_ATTRIB | IN_ONLYDIR | IN_EXCL_UNLINK;

uint64_t FsidOf(const fsid_t& id) {
    uint64_t value = 0;
    std::memcpy(&value, &id, sizeof value < sizeof id ? sizeof value : sizeof id);
    return value;
}

std::string PathOfFd(int fd) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    std::string path(PATH_MAX, '\0');
    ssize_t length = readlink(link, path.data(), path.size());
    if (length <= 0) return std::string();
    path.resize(static_cast<size_t>(length));
    return path;
}

}  // namespace

ChangeWatch::ChangeWatch(std::function<void()> reportWhenChanged) : report(std::move(reportWhenChanged)) {}

ChangeWatch::~ChangeWatch() {
    if (running) {
        stopping = true;
        uint64_t one = 1;
        if (write(wakeFd, &one, sizeof one) < 0) {
            // The thread reads the stop at its next wake either way.
        }
        pthread_join(thread, nullptr);
    }
    for (const Volume& volume : volumes) close(volume.mountFd);
    for (int fd : {wakeFd, fanotifyFd, inotifyFd}) {
        if (fd >= 0) close(fd);
    }
}

bool ChangeWatch::Start() {
    wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    inotifyFd = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (wakeFd < 0 || inotifyFd < 0) return false;
    running = pthread_create(&thread, nullptr, ThreadBody, this) == 0;
    return running;
}

bool ChangeWatch::WatchFileSystem(const std::string& path) {
    std::lock_guard<std::mutex> guard(lock);
    struct statfs facts;
    if (statfs(path.c_str(), &facts) != 0) return false;
    const uint64_t fsid = FsidOf(facts.f_fsid);
    for (const Volume& volume : volumes) {
        if (volume.fsid == fsid) {
            tops.push_back(path);
            return true;
        }
    }
    if (fanotifyFd < 0) {
        fanotifyFd = fanotify_init(FAN_CLASS_NOTIF | FAN_REPORT_DFID_NAME | FAN_CLOEXEC | FAN_NONBLOCK, O_RDONLY);
        if (fanotifyFd < 0) return false;
        uint64_t one = 1;
        // The thread polls the new descriptor from its next turn on.
        if (write(wakeFd, &one, sizeof one) < 0) return false;
    }
    int mountFd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (mountFd < 0) return false;
    if (fanotify_mark(fanotifyFd, FAN_MARK_ADD | FAN_MARK_FILESYSTEM, FANOTIFY_EVENTS, AT_FDCWD, path.c_str()) != 0) {
        close(mountFd);
        return false;
    }
    volumes.push_back(Volume{fsid, mountFd});
    tops.push_back(path);
    return true;
}

size_t ChangeWatch::WatchFolders(const std::vector<std::string>& folders, size_t limit) {
    size_t watched = 0;
    std::lock_guard<std::mutex> guard(lock);
    for (const std::string& folder : folders) {
        if (watchOfFolder.count(folder)) {
            ++watched;
            continue;
        }
        if (folderOfWatch.size() >= limit) break;
        int wd = inotify_add_watch(inotifyFd, folder.c_str(), INOTIFY_EVENTS);
        if (wd < 0) {
            // The machine's own limit is reached: no more watches.
            if (errno == ENOSPC) break;
            continue;
        }
        auto previous = folderOfWatch.find(wd);
        if (previous != folderOfWatch.end()) watchOfFolder.erase(previous->second);
        folderOfWatch[wd] = folder;
        watchOfFolder[folder] = wd;
        ++watched;
    }
    if (!folders.empty()) tops.push_back(folders.front());
    return watched;
}

size_t ChangeWatch::FolderWatchCount() {
    std::lock_guard<std::mutex> guard(lock);
    return folderOfWatch.size();
}

std::vector<std::string> ChangeWatch::TakeChanged() {
    std::lock_guard<std::mutex> guard(lock);
    std::vector<std::string> taken(changed.begin(), changed.end());
    changed.clear();
    return taken;
}

bool ChangeWatch::Pending(int fd) {
    if (fd < 0) return false;
    int bytes = 0;
    if (ioctl(fd, FIONREAD, &bytes) == 0) return bytes > 0;
    struct pollfd one = {fd, POLLIN, 0};
    return poll(&one, 1, 0) > 0;
}

bool ChangeWatch::Quiet() {
    if (reading || Pending(inotifyFd)) return false;
    std::lock_guard<std::mutex> guard(lock);
    return changed.empty() && !Pending(fanotifyFd);
}

void* ChangeWatch::ThreadBody(void* watch) {
    static_cast<ChangeWatch*>(watch)->Run();
    return nullptr;
}

void ChangeWatch::Note(const std::string& folder) {
    bool first = false;
    {
        std::lock_guard<std::mutex> guard(lock);
        first = changed.empty();
        changed.insert(folder);
    }
    if (first && report) report();
}

void ChangeWatch::NoteEverything() {
    std::vector<std::string> all;
    {
        std::lock_guard<std::mutex> guard(lock);
        all = tops;
    }
    for (const std::string& top : all) Note(top);
}

void ChangeWatch::Run() {
    while (!stopping) {
        int fanotify;
        {
            std::lock_guard<std::mutex> guard(lock);
            fanotify = fanotifyFd;
        }
        struct pollfd fds[3] = {{wakeFd, POLLIN, 0}, {inotifyFd, POLLIN, 0}, {fanotify, POLLIN, 0}};
        if (poll(fds, fanotify >= 0 ? 3 : 2, -1) < 0 && errno != EINTR) break;
        if (stopping) break;
        if (fds[0].revents & POLLIN) {
            uint64_t count;
            if (read(wakeFd, &count, sizeof count) < 0) {
                // Woken only to poll anew.
            }
        }
        reading = true;
        if (fds[1].revents & POLLIN) ReadInotify();
        if (fanotify >= 0 && (fds[2].revents & POLLIN)) ReadFanotify();
        reading = false;
    }
}

void ChangeWatch::ReadInotify() {
    alignas(struct inotify_event) char buffer[64 * 1024];
    for (;;) {
        ssize_t length = read(inotifyFd, buffer, sizeof buffer);
        if (length <= 0) return;
        for (char* at = buffer; at < buffer + length;) {
            auto* event = reinterpret_cast<struct inotify_event*>(at);
            at += sizeof(struct inotify_event) + event->len;
            if (event->mask & IN_Q_OVERFLOW) {
                NoteEverything();
                continue;
            }
            std::string folder;
            {
                std::lock_guard<std::mutex> guard(lock);
                auto found = folderOfWatch.find(event->wd);
                if (found == folderOfWatch.end()) continue;
                folder = found->second;
                if (event->mask & IN_IGNORED) {
                    watchOfFolder.erase(found->second);
                    folderOfWatch.erase(found);
                    continue;
                }
            }
            Note(folder);
        }
    }
}

void ChangeWatch::ReadFanotify() {
    alignas(struct fanotify_event_metadata) char buffer[64 * 1024];
    // A batch's folders by their handles: a burst in one folder resolves
    // its path once.
    std::unordered_map<std::string, std::string> known;
    for (;;) {
        ssize_t length = read(fanotifyFd, buffer, sizeof buffer);
        if (length <= 0) return;
        // Events with names are packed to 4 bytes, not to the 8 their
        // metadata needs: each is read through a copy.
        for (size_t offset = 0; offset + FAN_EVENT_METADATA_LEN <= size_t(length);) {
            struct fanotify_event_metadata event;
            std::memcpy(&event, buffer + offset, sizeof event);
            if (event.event_len < FAN_EVENT_METADATA_LEN || event.event_len > size_t(length) - offset) break;
            const char* start = buffer + offset;
            offset += event.event_len;
            if (event.mask & FAN_Q_OVERFLOW) {
                NoteEverything();
                continue;
            }
            const char* info = start + event.metadata_len;
            const char* end = start + event.event_len;
            while (info + sizeof(struct fanotify_event_info_header) <= end) {
                auto* header = reinterpret_cast<const struct fanotify_event_info_header*>(info);
                if (header->len == 0) break;
                if (header->info_type == FAN_EVENT_INFO_TYPE_DFID_NAME || header->info_type == FAN_EVENT_INFO_TYPE_DFID) {
                    auto* fid = reinterpret_cast<const struct fanotify_event_info_fid*>(info);
                    auto* handle = reinterpret_cast<const struct file_handle*>(fid->handle);
                    uint64_t fsid = 0;
                    std::memcpy(&fsid, &fid->fsid, sizeof fsid);
                    std::string key(reinterpret_cast<const char*>(&fsid), sizeof fsid);
                    key.append(reinterpret_cast<const char*>(handle), sizeof(struct file_handle) + handle->handle_bytes);
                    auto cached = known.find(key);
                    if (cached == known.end()) {
                        int mountFd = -1;
                        {
                            std::lock_guard<std::mutex> guard(lock);
                            for (const Volume& volume : volumes) {
                                if (volume.fsid == fsid) mountFd = volume.mountFd;
                            }
                        }
                        std::string path;
                        if (mountFd >= 0) {
                            int folder = open_by_handle_at(mountFd, const_cast<struct file_handle*>(handle),
                                                           O_PATH | O_CLOEXEC);
                            if (folder >= 0) {
                                path = PathOfFd(folder);
                                close(folder);
                            }
                        }
                        cached = known.emplace(std::move(key), std::move(path)).first;
                    }
                    if (!cached->second.empty()) Note(cached->second);
                }
                info += header->len;
            }
        }
    }
}
