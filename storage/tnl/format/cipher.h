// The block cipher of enciphered files.
//
// A block is 64 bytes read as sixteen little-endian u32 words B[0..15]; the
// key is sixteen u32 words K[0..15] made from the owner password:
//
//   S[(17 * i) mod 64] = c(i) + i (mod 256)   for i = 0..63, where c(i) runs
//       cyclically over the password and its terminating zero byte, starting
//       with the second character: p[1] .. p[n-1], 0, p[0], p[1], ...
//   S is then enciphered twice with itself as both key and block (one array:
//       each step reads its key word from the array being changed); K = S.
//
//   encipher: for i = 0..15, k = K[i], j = k mod 16, a = B[i], b = B[j]:
//       B[j] = ((b & k) | (a & ~k)) + k;  then  B[i] = ((a & k) | (b & ~k)) + k
//   decipher: for i = 15..0, k = K[i], j = k mod 16, a = B[i] - k,
//       b = B[j] - k:  B[i] = (a & k) | (b & ~k);  then  B[j] = (b & k) | (a &
//       ~k)
#ifndef VANTREL_STORAGE_TNL_FORMAT_CIPHER_H_
#define VANTREL_STORAGE_TNL_FORMAT_CIPHER_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vantrel {

inline constexpr std::size_t kCipherBlockSize = 64;
inline constexpr std::size_t kCipherWords = 16;

using CipherWords = std::array<std::uint32_t, kCipherWords>;

class Cipher {
 public:
  // The key of a (non-empty) owner password.
  explicit Cipher(std::string_view password);

  const CipherWords& key() const { return key_; }

  // Enciphers or deciphers `length` bytes in place, block by block; `length`
  // is a multiple of kCipherBlockSize.
  void Encipher(unsigned char* bytes, std::size_t length) const;
  void Decipher(unsigned char* bytes, std::size_t length) const;

  // One block as words, under `key` (which may be the block itself).
  static void EncipherWords(CipherWords& block, const CipherWords& key);
  static void DecipherWords(CipherWords& block, const CipherWords& key);

 private:
  CipherWords key_;
};

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_FORMAT_CIPHER_H_
