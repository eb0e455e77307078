#pragma once
// Wire forms shared by the key-pair command families.
#include "core/token.h"

namespace tokensim {

struct container_ref {
  application_record* app;
  container_record* container;
};

// app (2), container (2) off the front of the command data
container_ref container_by_id(token& t, data_reader& in);

// SM2 public-key form: bit length (4), x (32), y (32)
pkey_ptr read_sm2_public_form(data_reader& in);
void write_sm2_public_form(bytes& out, EVP_PKEY* key);

// SM2 cipher form: 256 (4), 04, x (32), y (32), hash (32), length (4), cipher
sm2_cipher read_sm2_cipher_form(data_reader& in);
void write_sm2_cipher_form(bytes& out, const sm2_cipher& c);

// signature answer: a 4-byte field, r (32), s (32)
void write_sm2_signature(bytes& out, const bytes& r_s);

// RSA public key of a key pair as the token hands it out: modulus, exponent (4)
void write_rsa_public(bytes& out, EVP_PKEY* key);

}  // namespace tokensim
