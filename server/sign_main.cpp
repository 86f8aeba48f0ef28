// sonaveil-sign: the key pair of an update server, and the signed statements it publishes
// beside each update file.
//
//   sonaveil-sign keygen SECRET PUBLIC          makes SECRET unless it exists (mode 0600), then
//                                               writes its public half to PUBLIC
//   sonaveil-sign sign SECRET KIND VERSION FILE writes FILE.sig: what FILE is (KIND, program or
//                                               catalog; the first line of the version text
//                                               VERSION; its length and SHA-256), signed
//
// Both key files are one line of hexadecimal: the secret one libsodium's 64-byte secret key, the
// public one the 32-byte key that programs built with it trust.
//
// A statement is text, one field a line, and its last line signs all the lines before it with
// Ed25519:
//   sonaveil-update-statement 1
//   kind program
//   version 4.0
//   length 5271936
//   sha256 <64 hexadecimal digits>
//   signature <128 hexadecimal digits>
#include <sodium.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

constexpr char kUsage[] =
    "usage: sonaveil-sign keygen SECRET PUBLIC\n"
    "       sonaveil-sign sign SECRET program|catalog VERSION-TEXT FILE\n";

bool ReadFile(const fs::path& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), {});
  return !in.bad();
}

// Writes beside path and renames over it, so a reader sees the old file or the new one.
bool WriteFile(const fs::path& path, const std::string& bytes, mode_t mode) {
  const fs::path temporary = path.string() + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out || !out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush())
      return false;
  }
  std::error_code error;
  return ::chmod(temporary.c_str(), mode) == 0 && (fs::rename(temporary, path, error), !error);
}

std::string Hex(const Bytes& bytes) {
  std::string hex(bytes.size() * 2 + 1, '\0');
  sodium_bin2hex(hex.data(), hex.size(), bytes.data(), bytes.size());
  hex.back() = '\n';
  return hex;
}

// The secret file's key pair: its 64-byte secret key, whose second half is the public key.
bool KeyPair(const fs::path& secretFile, Bytes* publicKey, Bytes* secretKey) {
  std::string text;
  secretKey->assign(crypto_sign_SECRETKEYBYTES, 0);
  size_t length = 0;
  const char* end = nullptr;
  if (!ReadFile(secretFile, &text) ||
      sodium_hex2bin(secretKey->data(), secretKey->size(), text.data(), text.size(), nullptr,
                     &length, &end) != 0 ||
      length != crypto_sign_SECRETKEYBYTES ||
      text.find_first_not_of("\r\n", end - text.data()) != std::string::npos) {
    std::cerr << "sonaveil-sign: " << secretFile << " holds no key\n";
    return false;
  }
  publicKey->assign(crypto_sign_PUBLICKEYBYTES, 0);
  crypto_sign_ed25519_sk_to_pk(publicKey->data(), secretKey->data());
  return true;
}

int Keygen(const fs::path& secretFile, const fs::path& publicFile) {
  Bytes publicKey(crypto_sign_PUBLICKEYBYTES), secretKey(crypto_sign_SECRETKEYBYTES);
  if (!fs::exists(secretFile)) {
    crypto_sign_keypair(publicKey.data(), secretKey.data());
    const bool written = WriteFile(secretFile, Hex(secretKey), 0600);
    sodium_memzero(secretKey.data(), secretKey.size());
    if (!written) {
      std::cerr << "sonaveil-sign: cannot write " << secretFile << "\n";
      return 1;
    }
  }
  if (!KeyPair(secretFile, &publicKey, &secretKey)) return 1;
  sodium_memzero(secretKey.data(), secretKey.size());
  if (!WriteFile(publicFile, Hex(publicKey), 0644)) {
    std::cerr << "sonaveil-sign: cannot write " << publicFile << "\n";
    return 1;
  }
  return 0;
}

std::string Hex(const std::string& bytes) {
  return Hex(Bytes(bytes.begin(), bytes.end())).substr(0, bytes.size() * 2);
}

// The statement of what bytes are, before its signature.
std::string Statement(const std::string& kind, const std::string& version,
                      const std::string& bytes) {
  std::string digest(crypto_hash_sha256_BYTES, '\0');
  crypto_hash_sha256(reinterpret_cast<unsigned char*>(digest.data()),
                     reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  return "sonaveil-update-statement 1\nkind " + kind + "\nversion " + version + "\nlength " +
         std::to_string(bytes.size()) + "\nsha256 " + Hex(digest) + "\n";
}

int Sign(const fs::path& secretFile, const std::string& kind, const fs::path& versionFile,
         const fs::path& file) {
  std::string bytes, version;
  if (kind != "program" && kind != "catalog") {
    std::cerr << kUsage;
    return 2;
  }
  if (!ReadFile(versionFile, &version) || !ReadFile(file, &bytes)) {
    std::cerr << "sonaveil-sign: cannot read " << versionFile << " or " << file << "\n";
    return 1;
  }
  version = version.substr(0, version.find_first_of("\r\n"));
  version.erase(0, version.find_first_not_of(" \t"));
  version.erase(version.find_last_not_of(" \t") + 1);
  Bytes publicKey, secretKey;
  if (version.empty() || !KeyPair(secretFile, &publicKey, &secretKey)) {
    if (version.empty()) std::cerr << "sonaveil-sign: " << versionFile << " names no version\n";
    return 1;
  }
  const std::string statement = Statement(kind, version, bytes);
  std::string signature(crypto_sign_BYTES, '\0');
  crypto_sign_detached(reinterpret_cast<unsigned char*>(signature.data()), nullptr,
                       reinterpret_cast<const unsigned char*>(statement.data()), statement.size(),
                       secretKey.data());
  sodium_memzero(secretKey.data(), secretKey.size());
  if (!WriteFile(file.string() + ".sig", statement + "signature " + Hex(signature) + "\n", 0644)) {
    std::cerr << "sonaveil-sign: cannot write " << file << ".sig\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (sodium_init() < 0) {
    std::cerr << "sonaveil-sign: libsodium cannot start\n";
    return 1;
  }
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "keygen" && argc == 4) return Keygen(argv[2], argv[3]);
  if (command == "sign" && argc == 6) return Sign(argv[2], argv[3], argv[4], argv[5]);
  std::cerr << kUsage;
  return 2;
}
