#include "os/posix/mapped_head.h"

#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>

#include <atomic>
#include <mutex>

namespace vantrel {
namespace {

// The copy that may fault on this thread, if any.
thread_local sigjmp_buf* t_guarded_copy = nullptr;
struct sigaction g_previous_bus;

void OnBusError(int signal, siginfo_t* info, void* context) {
  if (sigjmp_buf* guard = t_guarded_copy) {
    t_guarded_copy = nullptr;
    siglongjmp(*guard, 1);
  }
  // Not ours: what was in place before decides.
  if (g_previous_bus.sa_flags & SA_SIGINFO) {
    if (g_previous_bus.sa_sigaction != nullptr) {
      g_previous_bus.sa_sigaction(signal, info, context);
      return;
    }
  } else if (g_previous_bus.sa_handler != SIG_DFL &&
             g_previous_bus.sa_handler != SIG_IGN) {
    g_previous_bus.sa_handler(signal);
    return;
  }
  // The default action, also where it was ignored (a fault would repeat
  // for ever): the program ends with the signal.
  struct sigaction standard = {};
  standard.sa_handler = SIG_DFL;
  sigaction(SIGBUS, &standard, nullptr);
  raise(signal);
}

void InstallBusHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action = {};
    action.sa_sigaction = OnBusError;
    // Not blocked while handled: the jump out leaves the mask as it was,
    // and a jump that restored it would cost a system call per copy.
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &g_previous_bus);
  });
}

}  // namespace

bool MappedHead::Map(File& file, std::size_t length) {
  Unmap();
  if (length == 0 || file.Size() < static_cast<std::int64_t>(length)) {
    return false;
  }
  InstallBusHandler();
  void* base =
      mmap(nullptr, length, PROT_READ, MAP_SHARED, file.descriptor(), 0);
  if (base == MAP_FAILED) return false;
  base_ = base;
  length_ = length;
  return true;
}

void MappedHead::Unmap() {
  if (base_ != nullptr) munmap(base_, length_);
  base_ = nullptr;
  length_ = 0;
}

bool MappedHead::Read(std::size_t offset, void* out, std::size_t length) const {
  if (base_ == nullptr || offset > length_ || length > length_ - offset) {
    return false;
  }
  sigjmp_buf guard;
  if (sigsetjmp(guard, 0) != 0) return false;  // the file was cut short
  t_guarded_copy = &guard;
  std::atomic_signal_fence(std::memory_order_seq_cst);
  const volatile unsigned char* from =
      static_cast<const volatile unsigned char*>(base_) + offset;
  auto* to = static_cast<unsigned char*>(out);
  for (std::size_t i = 0; i < length; ++i) to[i] = from[i];
  std::atomic_signal_fence(std::memory_order_seq_cst);
  t_guarded_copy = nullptr;
  return true;
}

}  // namespace vantrel
