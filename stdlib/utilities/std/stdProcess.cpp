/*
 * The set-up hook, the trap switch, the environment, wall-clock timers and
 * the queries of the working directory, the own executable and the host.
 */
#include <errno.h>
#include <unistd.h>

#include "stdLocal.h"
#include "stdMessagesLocal.h"

Bool procTrapOnError = False;

void procProcessSetup(cString program, String *argv)
{
    (void)program;
    (void)argv;
}

Bool procIs64Bit(void) { return True; }
Bool procIsMachine64Bit(void) { return True; }

void procSetTrapOnError(void)
{
    procTrapOnError = True;
}

String stdGetEnv(cString name)
{
    cString value = getenv(name);
    return value != NULL ? msgCopyText(value) : NULL;
}

Int stdSetEnv(cString name, cString value)
{
    return setenv(name, value, 1);
}

void stdTimerInit(stdTimer *timer)
{
    (void)timer;
}

void stdResetTimer(stdTimer *timer)
{
    gettimeofday(timer, NULL);
}

float stdGetTimer(stdTimer *timer)
{
    struct timeval now;
    gettimeofday(&now, NULL);
    Int32 seconds = (Int32)(now.tv_sec - timer->tv_sec);
    Int32 microseconds = (Int32)(now.tv_usec - timer->tv_usec);
    return (float)seconds * 1000.0f + (float)microseconds / 1000.0f;
}

/* Grows the buffer only while the directory does not fit; any other failure
 * (a removed directory, no permission) gives null. */
String procGetPwd(void)
{
    for (size_t size = 200;; size *= 2) {
        String buffer = (String)stdMALLOC(size);
        if (getcwd(buffer, size) != NULL) {
            String answer = msgCopyText(buffer);
            memspFree(buffer);
            return answer;
        }
        int failure = errno;
        memspFree(buffer);
        if (failure != ERANGE) {
            return NULL;
        }
    }
}

/* Reads the link again into a larger buffer while its text fills the buffer. */
String procCurrentExecutableName(void)
{
    char link[32];
    snprintf(link, sizeof link, "/proc/%d/exe", (int)getpid());
    for (size_t size = 128;; size *= 2) {
        String buffer = (String)stdMALLOC(size);
        ssize_t length = readlink(link, buffer, size);
        if (length < 0) {
            memspFree(buffer);
            return NULL;
        }
        if ((size_t)length < size) {
            buffer[length] = '\0';
            return buffer;
        }
        memspFree(buffer);
    }
}

String procGetHostName(void)
{
    char buffer[256];
    if (gethostname(buffer, sizeof buffer) != 0) {
        return NULL;
    }
    buffer[sizeof buffer - 1] = '\0';   /* a truncated name need not be terminated */
    return msgCopyText(buffer);
}
