// sailings: work done beside the caller, on a second core. The long tables,
// the drawing of many tracks, the cross-track split of a voyage and the
// route filter each hand half their work to one.
//
// Built for a platform without threads (SAILINGS_ONE_CORE: WebAssembly in a
// page that is not cross-origin isolated), the work is done at once on the
// caller's core: the same results in the same order, one after the other.
#pragma once

#include <functional>
#include <utility>
#ifndef SAILINGS_ONE_CORE
#include <thread>
#endif

namespace sailings {

class SideTask {
 public:
  SideTask() = default;
  // Starts `work` beside the caller.
  explicit SideTask(std::function<void()> work) {
#ifdef SAILINGS_ONE_CORE
    work();
#else
    thread_ = std::thread(std::move(work));
#endif
  }
  SideTask(SideTask&& other) noexcept = default;
  SideTask& operator=(SideTask&& other) noexcept {
    Join();
#ifndef SAILINGS_ONE_CORE
    thread_ = std::move(other.thread_);
#endif
    return *this;
  }
  SideTask(const SideTask&) = delete;
  SideTask& operator=(const SideTask&) = delete;
  ~SideTask() { Join(); }

  // Waits until the work is done.
  void Join() {
#ifndef SAILINGS_ONE_CORE
    if (thread_.joinable()) thread_.join();
#endif
  }

 private:
#ifndef SAILINGS_ONE_CORE
  std::thread thread_;
#endif
};

}  // namespace sailings
