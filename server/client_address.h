#pragma once

#include <arpa/inet.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonaveil_server {

// The proxies whose word on a client's address is taken, and that word.
class TrustedProxies {
 public:
  // Adds "ADDRESS" or "ADDRESS/BITS" (IPv4 or IPv6); false when it is neither.
  bool Add(std::string_view spec);
  bool empty() const { return nets_.empty(); }
  bool Trusts(std::string_view address) const;

  // The client behind a connection from peer: peer itself unless peer is trusted; then the
  // rightmost address of X-Forwarded-For (the values of all such fields, in order) that is not
  // itself trusted, or else X-Real-IP. An unreadable address in the chain ends it there: the
  // last one read stands.
  std::string ClientOf(const std::string& peer, const std::vector<std::string>& forwardedFor,
                       std::string_view realIp) const;

 private:
  struct Net {
    std::array<uint8_t, 16> bytes;  // IPv4 as IPv4-mapped IPv6
    int bits;
  };
  static std::optional<std::array<uint8_t, 16>> Parse(std::string_view address);
  std::vector<Net> nets_;
};

}  // namespace sonaveil_server
