#include "platform/syscalls.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

namespace riviza::platform {
namespace {

int openCall(const char* path, int flags, mode_t mode) { return ::open(path, flags | O_CLOEXEC, mode); }

const SysCalls kReal = {
    openCall, ::read, ::write, ::pread, ::pwrite, ::lseek, ::close, ::fsync, ::ftruncate, ::rename, ::unlink,
};

SysCalls gCurrent = kReal;

}  // namespace

SysCalls& sys() { return gCurrent; }
const SysCalls& realSysCalls() { return kReal; }

ScopedSysCalls::ScopedSysCalls(const SysCalls& replacement) : saved_(gCurrent) { gCurrent = replacement; }
ScopedSysCalls::~ScopedSysCalls() { gCurrent = saved_; }

}  // namespace riviza::platform
