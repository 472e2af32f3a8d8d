/*
 * Debug printing, thread-ID hashing, the empty marker function and the
 * library's identification text.
 */
#include "stdUtils.h"

#include <pthread.h>
#include <stdio.h>

extern "C" {

void stdPrintString(cString text) { puts(text ? text : "<Nil>"); }
void stdPrintInt(Int32 value) { printf("%d\n", value); }
void stdPrintInt64(Int64 value) { printf("%lld\n", (long long)value); }
void stdPrintPInt64(const Int64 *value) { stdPrintInt64(*value); }
void stdPrintuInt(uInt32 value) { printf("%u\n", value); }
void stdPrintuInt64(uInt64 value) { printf("%llu\n", (unsigned long long)value); }
void stdPrintPuInt64(const uInt64 *value) { stdPrintuInt64(*value); }
void stdPrintHex(uInt32 value) { printf("0x%08x\n", value); }
void stdPrintHex64(uInt64 value) { printf("0x%016llx\n", (unsigned long long)value); }
void stdPrintPHex64(const uInt64 *value) { stdPrintHex64(*value); }

uInt32 procpThreadIdHash(Pointer threadId)
{
    /* thread IDs are addresses on this platform: their low bits carry little */
    uInt64 id = (uInt64)*(const pthread_t *)threadId;
    return uInt32((id >> 5) ^ (id >> 8) ^ (id >> 11));
}

Bool procpThreadIdEqual(Pointer a, Pointer b)
{
    return pthread_equal(*(const pthread_t *)a, *(const pthread_t *)b) != 0;
}

void STOP(void)
{
    /* keeps the call from being optimised away, so a breakpoint can land here */
    __asm__ volatile("");
}

cString stdIDENT(void)
{
    return "unofficial build by  on Wed_Jun_17_19:59:09_UTC_2026";
}

} // extern "C"
