#include "server/client_address.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace sonaveil_server {

namespace {

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The usual text of an address: dotted for IPv4 (mapped or not), RFC 5952 for IPv6.
std::string Canonical(const std::array<uint8_t, 16>& bytes) {
  static constexpr uint8_t kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
  char text[INET6_ADDRSTRLEN] = {};
  if (std::equal(std::begin(kMapped), std::end(kMapped), bytes.begin()))
    inet_ntop(AF_INET, bytes.data() + 12, text, sizeof text);
  else
    inet_ntop(AF_INET6, bytes.data(), text, sizeof text);
  return text;
}

}  // namespace

std::optional<std::array<uint8_t, 16>> TrustedProxies::Parse(std::string_view address) {
  address = Trimmed(address);
  if (address.size() > 2 && address.front() == '[' && address.back() == ']')
    address = address.substr(1, address.size() - 2);
  if (address.empty() || address.size() >= INET6_ADDRSTRLEN) return std::nullopt;
  const std::string text(address);
  std::array<uint8_t, 16> bytes{};
  if (inet_pton(AF_INET6, text.c_str(), bytes.data()) == 1) return bytes;
  bytes[10] = bytes[11] = 0xff;
  if (inet_pton(AF_INET, text.c_str(), bytes.data() + 12) == 1) return bytes;
  return std::nullopt;
}

bool TrustedProxies::Add(std::string_view spec) {
  const size_t slash = spec.find('/');
  const auto bytes = Parse(spec.substr(0, slash));
  if (!bytes) return false;
  const bool v4 = spec.substr(0, slash).find(':') == std::string_view::npos;
  int bits = v4 ? 32 : 128;
  if (slash != std::string_view::npos) {
    const std::string_view digits = spec.substr(slash + 1);
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), bits);
    if (error != std::errc() || end != digits.data() + digits.size() || bits < 0 ||
        bits > (v4 ? 32 : 128))
      return false;
  }
  nets_.push_back({*bytes, v4 ? bits + 96 : bits});
  return true;
}

bool TrustedProxies::Trusts(std::string_view address) const {
  const auto bytes = Parse(address);
  if (!bytes) return false;
  for (const Net& net : nets_) {
    int bit = 0;
    for (; bit < net.bits; ++bit) {
      const uint8_t mask = static_cast<uint8_t>(0x80 >> (bit % 8));
      if (((*bytes)[bit / 8] & mask) != (net.bytes[bit / 8] & mask)) break;
    }
    if (bit == net.bits) return true;
  }
  return false;
}

std::string TrustedProxies::ClientOf(const std::string& peer,
                                     const std::vector<std::string>& forwardedFor,
                                     std::string_view realIp) const {
  if (!Trusts(peer)) return peer;
  std::vector<std::string_view> chain;
  for (const std::string& field : forwardedFor) {
    for (size_t start = 0; start <= field.size();) {
      const size_t comma = std::min(field.find(',', start), field.size());
      chain.push_back(Trimmed(std::string_view(field).substr(start, comma - start)));
      start = comma + 1;
    }
  }
  std::string client = peer;
  for (auto hop = chain.rbegin(); hop != chain.rend(); ++hop) {
    const auto bytes = Parse(*hop);
    if (!bytes) return client;
    client = Canonical(*bytes);
    if (!Trusts(client)) return client;
  }
  if (const auto bytes = Parse(realIp); chain.empty() && bytes) return Canonical(*bytes);
  return client;
}

}  // namespace sonaveil_server
