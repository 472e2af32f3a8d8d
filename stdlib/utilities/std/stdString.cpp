/*
 * Growable strings: buckets that are filled in order and never moved.
 */
#include "stdString.h"
#include "stdMemSpace.h"

#include <stdio.h>
#include <string.h>

namespace {

stringBucket bucketCreate(uInt64 capacity)
{
    stringBucket bucket = (stringBucket)stdMALLOC(sizeof(stringBucketRec));
    bucket->capacity = capacity;
    bucket->free = capacity;
    bucket->data = (char *)stdMALLOC(capacity);
    return bucket;
}

void bucketDelete(Pointer bucket)
{
    memspFree(((stringBucket)bucket)->data);
    memspFree(bucket);
}

uInt64 bucketUsed(stringBucket bucket)
{
    return bucket->capacity - bucket->free;
}

/* Copies the bucket's text to `to`; returns the position just after it. */
char *bucketToBuf(stringBucket bucket, char *to)
{
    uInt64 used = bucketUsed(bucket);
    memcpy(to, bucket->data, used);
    return to + used;
}

void dropBuckets(stdString string)
{
    listObliterate(string->buckets, bucketDelete);
    string->buckets = nullptr;
    string->tail = &string->buckets;
    string->current = nullptr;
    string->length = 0;
}

/* The local buffer that formatting tries before it allocates. */
constexpr int formatBufferSize = 1024;

} // namespace

extern "C" {

stdString stringCreate(uInt64 bucketSize)
{
    stdString string = (stdString)stdMALLOC(sizeof(stdStringRec));
    string->bucketSize = bucketSize;
    string->length = 0;
    string->buckets = nullptr;
    string->tail = &string->buckets;
    string->current = nullptr;
    return string;
}

void stringDelete(stdString string)
{
    if (!string) return;
    dropBuckets(string);
    memspFree(string);
}

void stringEmpty(stdString string)
{
    dropBuckets(string);
}

void stringAddBufLen(stdString string, cString bytes, uInt64 length)
{
    stringBucket current = string->current;
    if (current && current->free > 0 && length > 0) {
        uInt64 part = length < current->free ? length : current->free;
        memcpy(current->data + bucketUsed(current), bytes, part);
        current->free -= part;
        string->length += part;
        bytes += part;
        length -= part;
    }
    if (length == 0) return;

    stringBucket bucket = bucketCreate(length > string->bucketSize ? length : string->bucketSize);
    memcpy(bucket->data, bytes, length);
    bucket->free -= length;
    *string->tail = listCons(bucket, nullptr);
    string->tail = &(*string->tail)->next;
    string->current = bucket;
    string->length += length;
}

void stringAddBuf(stdString string, cString text)
{
    stringAddBufLen(string, text, strlen(text));
}

void stringAddChar(stdString string, char character)
{
    /* a bucket size of 0 still gets a one-byte bucket from stringAddBufLen */
    stringAddBufLen(string, &character, 1);
}

void stringAddString(stdString string, stdString other)
{
    if (string == other) {
        /* appending to the string being read would chase its own growth */
        String copy = stringToBuf(other);
        stringAddBufLen(string, copy, other->length);
        memspFree(copy);
        return;
    }
    for (stdList cell = other->buckets; cell; cell = cell->next) {
        stringBucket bucket = (stringBucket)cell->element;
        stringAddBufLen(string, bucket->data, bucketUsed(bucket));
    }
}

Int stringAddFormat(stdString string, cString format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    Int result = stringAddVFormat(string, format, arguments);
    va_end(arguments);
    return result;
}

Int stringAddVFormat(stdString string, cString format, va_list arguments)
{
    char    local[formatBufferSize];
    va_list again;

    va_copy(again, arguments);
    int length = vsnprintf(local, sizeof local, format, arguments);
    if (length < 0) {
        /* an expansion error: append nothing rather than garbage */
        va_end(again);
        return length;
    }
    if (length < formatBufferSize) {
        stringAddBufLen(string, local, (uInt64)length);
    } else {
        char *text = (char *)stdMALLOC((size_t)length + 1);
        vsnprintf(text, (size_t)length + 1, format, again);
        stringAddBufLen(string, text, (uInt64)length);
        memspFree(text);
    }
    va_end(again);
    return length;
}

uInt64 stringSize(stdString string)
{
    return string->length;
}

String stringToBuf(stdString string)
{
    String text = (String)stdMALLOC(string->length + 1);
    char  *end = text;
    for (stdList cell = string->buckets; cell; cell = cell->next) {
        end = bucketToBuf((stringBucket)cell->element, end);
    }
    *end = '\0';
    return text;
}

String stringStripToBuf(stdString string)
{
    String text = stringToBuf(string);
    stringDelete(string);
    return text;
}

stdString stringCopy(stdString string)
{
    stdString copy = stringCreate(128);
    stringAddString(copy, string);
    return copy;
}

} // extern "C"
