#include "storage/tnl/format/cipher.h"

#include <cassert>
#include <string>

#include "runtime/data/base/byte_order.h"

namespace vantrel {
namespace {

constexpr std::size_t kKeyBytes = 64;
constexpr std::size_t kKeyStride = 17;  // S[(17 * i) mod 64]
constexpr int kKeyPasses = 2;

CipherWords LoadBlock(const unsigned char* bytes) {
  CipherWords words;
  for (std::size_t i = 0; i < kCipherWords; ++i)
    words[i] = LoadLe32(bytes + 4 * i);
  return words;
}

void StoreBlock(const CipherWords& words, unsigned char* bytes) {
  for (std::size_t i = 0; i < kCipherWords; ++i)
    StoreLe32(bytes + 4 * i, words[i]);
}

using BlockStep = void (*)(CipherWords&, const CipherWords&);

void ForEachBlock(unsigned char* bytes, std::size_t length,
                  const CipherWords& key, BlockStep step) {
  assert(length % kCipherBlockSize == 0);
  for (std::size_t at = 0; at + kCipherBlockSize <= length;
       at += kCipherBlockSize) {
    CipherWords words = LoadBlock(bytes + at);
    step(words, key);
    StoreBlock(words, bytes + at);
  }
}

}  // namespace

Cipher::Cipher(std::string_view password) {
  // The cycle is the password followed by its terminating zero byte.
  std::string cycle(password);
  cycle.push_back('\0');
  unsigned char s[kKeyBytes];
  for (std::size_t i = 0; i < kKeyBytes; ++i) {
    const auto c = static_cast<unsigned char>(cycle[(i + 1) % cycle.size()]);
    s[(kKeyStride * i) % kKeyBytes] = static_cast<unsigned char>(c + i);
  }
  // The schedule is enciphered with itself as both key and block, and that
  // is one array changed in place: each step of a pass reads its key word
  // from the array as the pass has left it so far, not from a copy made
  // before the pass. The cipher tests pin the bytes this gives.
  key_ = LoadBlock(s);
  for (int pass = 0; pass < kKeyPasses; ++pass) EncipherWords(key_, key_);
}

void Cipher::EncipherWords(CipherWords& block, const CipherWords& key) {
  for (std::size_t i = 0; i < kCipherWords; ++i) {
    // Read before the block changes: `key` may be `block` itself.
    const std::uint32_t k = key[i];
    const std::size_t j = k % kCipherWords;
    const std::uint32_t a = block[i];
    const std::uint32_t b = block[j];
    block[j] = ((b & k) | (a & ~k)) + k;
    block[i] = ((a & k) | (b & ~k)) + k;
  }
}

void Cipher::DecipherWords(CipherWords& block, const CipherWords& key) {
  for (std::size_t n = kCipherWords; n-- > 0;) {
    const std::uint32_t k = key[n];
    const std::size_t j = k % kCipherWords;
    const std::uint32_t a = block[n] - k;
    const std::uint32_t b = block[j] - k;
    block[n] = (a & k) | (b & ~k);
    block[j] = (b & k) | (a & ~k);
  }
}

void Cipher::Encipher(unsigned char* bytes, std::size_t length) const {
  ForEachBlock(bytes, length, key_, EncipherWords);
}

void Cipher::Decipher(unsigned char* bytes, std::size_t length) const {
  ForEachBlock(bytes, length, key_, DecipherWords);
}

}  // namespace vantrel
