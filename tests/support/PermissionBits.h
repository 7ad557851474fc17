#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// The tests run as root, whom a file's permission bits do not stop. While
// this lives, the calling thread (capabilities belong to a thread) lacks the
// two capabilities that let root open any file, so a file of mode 0200 is
// unreadable to it as to any user; the destructor gives them back.
class PermissionBitsApply {
 public:
  PermissionBitsApply() {
    ::syscall(SYS_capget, &header_, saved_);
    __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
    lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    ::syscall(SYS_capset, &header_, lowered);
  }
  ~PermissionBitsApply() { ::syscall(SYS_capset, &header_, saved_); }
  PermissionBitsApply(const PermissionBitsApply&) = delete;
  PermissionBitsApply& operator=(const PermissionBitsApply&) = delete;

 private:
  __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2]{};
};
