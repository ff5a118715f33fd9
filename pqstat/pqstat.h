// pqstat.dll: anonymous install statistics of the sample product.
// Every export is __stdcall with 32-bit arguments and an undecorated name;
// texts are zero-terminated narrow strings that the DLL only reads.
// Addresses may carry their own port ("host:port"), which then wins over the
// port argument. See docs/PQSTAT.md for the messages and their destinations.
#pragma once

#ifdef PQSTAT_BUILD
#define PQSTAT_API extern "C" __declspec(dllexport)
#else
#define PQSTAT_API extern "C" __declspec(dllimport)
#endif

// Readiness: 1 when sockets are available. Reports need not wait for it.
PQSTAT_API int __stdcall stat_init();
// HTTP proxy for stat_http_post (empty host: none).
PQSTAT_API void __stdcall stat_proxy(const char* host, int port);
// UDP destinations: dispatch (default for online, action and offline reports),
// and the specific ones that override it.
PQSTAT_API void __stdcall stat_dispatch_addr(const char* host, int port);
PQSTAT_API void __stdcall stat_online_addr(const char* host, int port);
PQSTAT_API void __stdcall stat_action_addr(const char* host, int port);
PQSTAT_API void __stdcall stat_loginout_addr(const char* host, int port);
// UDP destination of install, uninstall and app-install reports.
PQSTAT_API void __stdcall stat_install_addr(const char* host, int port);
// Identity carried by every report.
PQSTAT_API void __stdcall stat_unionid(int unionId);
PQSTAT_API void __stdcall stat_appid(int appId);
PQSTAT_API void __stdcall stat_level(int level);
PQSTAT_API void __stdcall stat_version(const char* dottedVersion);
PQSTAT_API void __stdcall stat_version_ex(int major, int minor, int build, int revision);
// Reports, queued for the sender thread.
PQSTAT_API void __stdcall stat_online();
PQSTAT_API void __stdcall stat_offline();
PQSTAT_API void __stdcall stat_action(int actionId);
PQSTAT_API void __stdcall stat_mutilaction(const int* actionIds, int count, int options);
// kind: 1 fresh install, 3 over an existing install, 2 uninstall.
PQSTAT_API void __stdcall stat_install(int kind);
PQSTAT_API void __stdcall stat_app_install(int appId, int kind);
// Waits at most `waitMs` for queued reports to go out, then stops the sender.
// 1 when nothing was left behind. The DLL may be initialised again afterwards.
PQSTAT_API int __stdcall stat_close(int waitMs);
// HTTP POST to an http:// URL, bounded to a few seconds. A null body sends the
// install report of the last stat_install; with `wrap` a body is sent inside
// the JSON report envelope, without it as it is. 1 when the server answered 2xx.
PQSTAT_API int __stdcall stat_http_post(const char* url, const char* body, int length, int wrap);
