// The HTTP access routine: one synchronous request with browser-like header lines, the
// response body as Bytes, and the response's raw headers and cookies for callers that want
// them. Failures are not reported: they show as an empty body. Every function here may run on
// several threads at once; call InitHttpClient() (http/transfer.h) once before any thread.
#pragma once

#include "http/transfer.h"
#include "text/types.h"

namespace talvex {

// The agent sent when the caller's header lines name none.
inline constexpr const char* kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// Requests `url` (with or without "http://" or "https://") and returns the body as it arrived;
// the empty Bytes when nothing arrived. HTTP error statuses are not failures: their bodies come
// back like any other.
//
//  method           0 GET, 1 POST, 2 HEAD (sent with the body a POST would carry); other
//                   values count as 0.
//  postText         the body when `postBytes` is empty.
//  cookies          in/out, may be null. Null: the client's own cookie store, kept for the life
//                   of the process and shared by every thread, supplies and keeps the cookies.
//                   Given (even empty): the store is neither read nor written, the list goes out
//                   as a Cookie line, and afterwards holds the list merged with the response's
//                   cookies (MergeCookies).
//  returnedCookies  out, may be null: the first name=value pair of each Set-Cookie line of the
//                   final response, joined by "; " (by ";" when `cookies` was given).
//  headers          in/out, may be null: extra request header lines separated by "\r\n";
//                   receives the whole block that was sent (Accept, Referer, Accept-Language,
//                   Content-Type and Cookie lines added where missing).
//  returnedHeaders  out, may be null: the final response's raw header block (status line and
//                   header lines, each ended by "\r\n", then an empty line; every Set-Cookie
//                   name written "Set-Cookie"), whatever its length; 5000 spaces when no
//                   complete response arrived.
//  noRedirect       true: a redirect response is returned, body included, instead of followed.
//  postBytes        in/out, may be null: the body as bytes; when empty for a POST or HEAD it
//                   receives the bytes of `postText`.
//  proxy            "host:port" of an HTTP proxy; empty for a direct connection.
//  limits           the client's time-outs, redirect limit and body cap (64 MiB; a larger body
//                   comes back cut at the cap).
//
// A call that cannot be set up (an empty or unusable host, a port outside 0..65535) sends
// nothing, returns the empty Bytes and changes none of the caller's variables. Any later
// failure (no connection, a stalled or broken transfer) returns what arrived and fills the out
// variables as usual.
Bytes WebAccess(const Text& url, int method = 0, const Text& postText = {}, Text* cookies = nullptr,
                Text* returnedCookies = nullptr, Text* headers = nullptr,
                Text* returnedHeaders = nullptr, bool noRedirect = false,
                Bytes* postBytes = nullptr, const Text& proxy = {},
                const TransferLimits& limits = {});

// The body of a GET of `url` with every option left out, up to its first 0 byte.
[[nodiscard]] Text FetchPageText(const Text& url);

// The text after the first ":" of `line`, trimmed of spaces; empty when there is no colon.
[[nodiscard]] Text HeaderValue(const Text& line);

}  // namespace talvex
