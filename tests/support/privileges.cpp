#include "privileges.h"

#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace testsupport {

bool dropCapability(int capability)
{
    __user_cap_header_struct header = {_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capget, &header, data) != 0) {
        return false;
    }
    unsigned word = (unsigned)capability / 32, bit = 1u << ((unsigned)capability % 32);
    data[word].effective &= ~bit;
    data[word].permitted &= ~bit;
    data[word].inheritable &= ~bit;
    return syscall(SYS_capset, &header, data) == 0;
}

bool becomeNobody()
{
    return setresgid(65534, 65534, 65534) == 0 && setresuid(65534, 65534, 65534) == 0;
}

bool forbidNewProcesses()
{
    struct rlimit none = {0, 0};
    return becomeNobody() && setrlimit(RLIMIT_NPROC, &none) == 0;
}

}  // namespace testsupport
