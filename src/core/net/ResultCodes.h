#pragma once

#include <cstdint>

// The result and status codes of the Windows download interfaces the update checker was made
// for; its callers compare against them.

using HRESULT = std::int32_t;

namespace hresult {
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT MK_E_SYNTAX = static_cast<HRESULT>(0x800401E4);
inline constexpr HRESULT MK_S_ASYNCHRONOUS = 0x401E8;
inline constexpr HRESULT INET_E_CANNOT_CONNECT = static_cast<HRESULT>(0x800C0004);
inline constexpr HRESULT INET_E_RESOURCE_NOT_FOUND = static_cast<HRESULT>(0x800C0005);
inline constexpr HRESULT INET_E_DOWNLOAD_FAILURE = static_cast<HRESULT>(0x800C0008);
inline constexpr HRESULT INET_E_CONNECTION_TIMEOUT = static_cast<HRESULT>(0x800C000B);
inline constexpr HRESULT INET_E_REDIRECT_FAILED = static_cast<HRESULT>(0x800C0014);
} // namespace hresult

/** The bind status codes a transfer reports its progress with. */
namespace bindstatus {
inline constexpr std::uint32_t CONNECTING = 2;
inline constexpr std::uint32_t REDIRECTING = 3;
inline constexpr std::uint32_t BEGINDOWNLOADDATA = 4;
inline constexpr std::uint32_t DOWNLOADINGDATA = 5;
inline constexpr std::uint32_t ENDDOWNLOADDATA = 6;
inline constexpr std::uint32_t SENDINGREQUEST = 11;
} // namespace bindstatus
