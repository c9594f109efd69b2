#pragma once
// Every limit and fixed number of the HTTP client in one place: what the client accepts, how
// long it waits, how much it takes or reserves at once, and the Winsock error numbers that it
// raises or tests outside the one errno -> Winsock mapping of the socket layer (net/IdStack).
#include <cstddef>

// --- Lines and headers ------------------------------------------------------------------------
// Longest status or header line accepted (MaxLineLength), in bytes before its LF, a CR counted.
constexpr int kIdMaxLineLength = 16384;
// A request header line longer than this is folded into continuation lines.
constexpr std::size_t kIdHeaderFoldWidth = 1024;
// Most trailer lines read after the last chunk of a chunked body.
constexpr int kIdMaxTrailerLines = 1000;

// --- Waiting ----------------------------------------------------------------------------------
// Longest wait for a connect, in milliseconds (ConnectTimeout): about what the platform the
// client was written for allows a peer that never answers.
constexpr int kIdConnectTimeout = 21000;
// Read time-out while the body of a refused answer is read, in milliseconds.
constexpr int kIdRefusedBodyReadTimeout = 2000;

// --- Receiving and keeping bodies -------------------------------------------------------------
// Largest receive into the input buffer (RecvBufferSize): status, header and chunk-size lines,
// and bodies for destinations without storage of their own.
constexpr int kIdRecvBufferSize = 32768;
// Largest receive that goes straight into a body destination's own storage. Each receive has a
// fixed cost in the kernel's receive path, and a large body that is kept in memory also pays
// for every fresh page it fills, so a body of many MiB is taken in large pieces.
constexpr std::size_t kIdBodyReceiveSize = 4u << 20;
// Largest amount a destination reserves in advance for an announced length: the announcement
// comes from the peer and may be wrong or hostile.
constexpr std::size_t kIdMaxPreallocation = 16u << 20;
// Receive buffer asked of the system for every socket, where it grants that size in full.
constexpr int kIdSocketReceiveBuffer = 4 << 20;
// Memory blocks at least this large are laid out on huge pages where the system offers them.
constexpr std::size_t kIdHugePageSize = 2u << 20;

// --- Ports ------------------------------------------------------------------------------------
constexpr int kIdHTTPPort = 80;
constexpr int kIdHTTPSPort = 443;

// --- Winsock error numbers used outside the mapping -------------------------------------------
namespace idstack {
// A port outside 0-65535.
constexpr int kWSAEADDRNOTAVAIL = 10049;
// The peer closed or reset the connection, or it was shut down: a send or receive on it fails.
constexpr int kWSAECONNABORTED = 10053;
constexpr int kWSAECONNRESET = 10054;
constexpr int kWSAESHUTDOWN = 10058;
// A send or receive without a connection.
constexpr int kWSAENOTCONN = 10057;
} // namespace idstack
