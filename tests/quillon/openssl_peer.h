// OpenSSL 3 as an independent SM2/SM3/SM4 implementation, for cross-checks
// and benchmarks. Keys are built from raw bytes; the SM2 ciphertext is
// converted between OpenSSL's DER (x, y, C3, C2) and our C1 || C2 || C3.
#ifndef QUILLON_OPENSSL_PEER_H
#define QUILLON_OPENSSL_PEER_H

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

namespace sslpeer {

using bytes = std::vector<unsigned char>;
constexpr char default_id[] = "1234567812345678";

struct pkey_free {
    void operator()(EVP_PKEY *p) const { EVP_PKEY_free(p); }
};
using pkey_ptr = std::unique_ptr<EVP_PKEY, pkey_free>;
struct ctx_free {
    void operator()(EVP_PKEY_CTX *p) const { EVP_PKEY_CTX_free(p); }
};
using pkey_ctx_ptr = std::unique_ptr<EVP_PKEY_CTX, ctx_free>;

inline void check(bool ok, const char *what)
{
    if (!ok)
        throw std::runtime_error(what);
}

// An SM2 key from a 32-byte private key and its 65-byte public key; without
// d, a public key only.
inline pkey_ptr make_key(const unsigned char *d, const unsigned char pk[65])
{
    OSSL_PARAM_BLD *bld = OSSL_PARAM_BLD_new();
    BIGNUM *priv = nullptr;
    OSSL_PARAM_BLD_push_utf8_string(bld, OSSL_PKEY_PARAM_GROUP_NAME, "SM2", 0);
    OSSL_PARAM_BLD_push_octet_string(bld, OSSL_PKEY_PARAM_PUB_KEY, pk, 65);
    if (d != nullptr) {
        priv = BN_bin2bn(d, 32, nullptr);
        OSSL_PARAM_BLD_push_BN(bld, OSSL_PKEY_PARAM_PRIV_KEY, priv);
    }
    OSSL_PARAM *params = OSSL_PARAM_BLD_to_param(bld);
    pkey_ctx_ptr ctx(EVP_PKEY_CTX_new_from_name(nullptr, "SM2", nullptr));
    EVP_PKEY *key = nullptr;
    const bool ok = EVP_PKEY_fromdata_init(ctx.get()) == 1 &&
                    EVP_PKEY_fromdata(ctx.get(), &key, d ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY, params) == 1;
    OSSL_PARAM_free(params);
    OSSL_PARAM_BLD_free(bld);
    BN_clear_free(priv);
    check(ok, "EVP_PKEY_fromdata");
    return pkey_ptr(key);
}

// A fresh key pair: d and the 65-byte public key.
inline pkey_ptr generate(unsigned char d[32], unsigned char pk[65])
{
    EVP_PKEY *key = EVP_PKEY_Q_keygen(nullptr, nullptr, "SM2");
    check(key != nullptr, "keygen");
    BIGNUM *priv = nullptr;
    check(EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_PRIV_KEY, &priv) == 1, "priv");
    BN_bn2binpad(priv, d, 32);
    BN_clear_free(priv);
    size_t len = 0;
    check(EVP_PKEY_get_octet_string_param(key, OSSL_PKEY_PARAM_PUB_KEY, pk, 65, &len) == 1 && len == 65, "pub");
    return pkey_ptr(key);
}

struct md_ctx_free {
    void operator()(EVP_MD_CTX *p) const { EVP_MD_CTX_free(p); }
};
using md_ctx_ptr = std::unique_ptr<EVP_MD_CTX, md_ctx_free>;

// SM2 signature over SM3(Z || msg) with the default identity, DER-encoded.
inline bytes sign_message(EVP_PKEY *key, const unsigned char *msg, size_t len)
{
    md_ctx_ptr md(EVP_MD_CTX_new());
    pkey_ctx_ptr pctx(EVP_PKEY_CTX_new(key, nullptr));
    check(EVP_PKEY_CTX_set1_id(pctx.get(), default_id, 16) == 1, "set1_id");
    EVP_MD_CTX_set_pkey_ctx(md.get(), pctx.get());
    check(EVP_DigestSignInit(md.get(), nullptr, EVP_sm3(), nullptr, key) == 1, "sign init");
    size_t siglen = 0;
    check(EVP_DigestSign(md.get(), nullptr, &siglen, msg, len) == 1, "sign size");
    bytes sig(siglen);
    check(EVP_DigestSign(md.get(), sig.data(), &siglen, msg, len) == 1, "sign");
    sig.resize(siglen);
    return sig;
}

inline bool verify_message(EVP_PKEY *key, const bytes &der, const unsigned char *msg, size_t len)
{
    md_ctx_ptr md(EVP_MD_CTX_new());
    pkey_ctx_ptr pctx(EVP_PKEY_CTX_new(key, nullptr));
    check(EVP_PKEY_CTX_set1_id(pctx.get(), default_id, 16) == 1, "set1_id");
    EVP_MD_CTX_set_pkey_ctx(md.get(), pctx.get());
    check(EVP_DigestVerifyInit(md.get(), nullptr, EVP_sm3(), nullptr, key) == 1, "verify init");
    return EVP_DigestVerify(md.get(), der.data(), der.size(), msg, len) == 1;
}

inline bytes encrypt(EVP_PKEY *key, const unsigned char *msg, size_t len)
{
    pkey_ctx_ptr ctx(EVP_PKEY_CTX_new(key, nullptr));
    check(EVP_PKEY_encrypt_init(ctx.get()) == 1, "encrypt init");
    size_t outlen = 0;
    check(EVP_PKEY_encrypt(ctx.get(), nullptr, &outlen, msg, len) == 1, "encrypt size");
    bytes out(outlen);
    check(EVP_PKEY_encrypt(ctx.get(), out.data(), &outlen, msg, len) == 1, "encrypt");
    out.resize(outlen);
    return out;
}

inline bool decrypt(EVP_PKEY *key, const bytes &der, bytes &msg)
{
    pkey_ctx_ptr ctx(EVP_PKEY_CTX_new(key, nullptr));
    check(EVP_PKEY_decrypt_init(ctx.get()) == 1, "decrypt init");
    size_t outlen = 0;
    if (EVP_PKEY_decrypt(ctx.get(), nullptr, &outlen, der.data(), der.size()) != 1)
        return false;
    msg.resize(outlen);
    if (EVP_PKEY_decrypt(ctx.get(), msg.data(), &outlen, der.data(), der.size()) != 1)
        return false;
    msg.resize(outlen);
    return true;
}

// ---- a minimal DER reader/writer for the two SEQUENCEs involved ----

inline void put_length(bytes &out, size_t n)
{
    if (n < 0x80) {
        out.push_back(static_cast<unsigned char>(n));
    } else if (n < 0x100) {
        out.insert(out.end(), {0x81, static_cast<unsigned char>(n)});
    } else {
        out.insert(out.end(), {0x82, static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n)});
    }
}

inline void put_integer(bytes &out, const unsigned char *v, size_t n)
{
    while (n > 1 && v[0] == 0) {
        ++v;
        --n;
    }
    const bool pad = v[0] & 0x80;
    out.push_back(0x02);
    put_length(out, n + pad);
    if (pad)
        out.push_back(0);
    out.insert(out.end(), v, v + n);
}

inline void put_octets(bytes &out, const unsigned char *v, size_t n)
{
    out.push_back(0x04);
    put_length(out, n);
    out.insert(out.end(), v, v + n);
}

inline bytes sequence(const bytes &body)
{
    bytes out{0x30};
    put_length(out, body.size());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// Reads one element of the given tag; integers come back as 32 bytes.
inline bool take(const bytes &der, size_t &at, unsigned char tag, bytes &value)
{
    if (at + 2 > der.size() || der[at] != tag)
        return false;
    size_t len = der[at + 1];
    at += 2;
    if (len & 0x80) {
        const size_t nb = len & 0x7F;
        if (nb > 2 || at + nb > der.size())
            return false;
        len = 0;
        for (size_t i = 0; i < nb; ++i)
            len = (len << 8) | der[at++];
    }
    if (at + len > der.size())
        return false;
    value.assign(der.begin() + static_cast<long>(at), der.begin() + static_cast<long>(at + len));
    at += len;
    if (tag == 0x02) {
        while (value.size() > 32 && value[0] == 0)
            value.erase(value.begin());
        if (value.size() > 32)
            return false;
        value.insert(value.begin(), 32 - value.size(), 0);
    }
    return true;
}

inline bool open_sequence(const bytes &der, size_t &at)
{
    bytes ignored;
    if (der.size() < 2 || der[0] != 0x30)
        return false;
    at = (der[1] & 0x80) ? 2 + (der[1] & 0x7F) : 2;
    return true;
}

inline bytes signature_to_der(const unsigned char rs[64])
{
    bytes body;
    put_integer(body, rs, 32);
    put_integer(body, rs + 32, 32);
    return sequence(body);
}

inline bool signature_from_der(const bytes &der, unsigned char rs[64])
{
    size_t at = 0;
    bytes r, s;
    if (!open_sequence(der, at) || !take(der, at, 0x02, r) || !take(der, at, 0x02, s))
        return false;
    std::memcpy(rs, r.data(), 32);
    std::memcpy(rs + 32, s.data(), 32);
    return true;
}

// C1 || C2 || C3 to SEQUENCE { x, y, C3, C2 }
inline bytes cipher_to_der(const bytes &c)
{
    const size_t mlen = c.size() - 97;
    bytes body;
    put_integer(body, c.data() + 1, 32);
    put_integer(body, c.data() + 33, 32);
    put_octets(body, c.data() + 65 + mlen, 32);
    put_octets(body, c.data() + 65, mlen);
    return sequence(body);
}

inline bool cipher_from_der(const bytes &der, bytes &c)
{
    size_t at = 0;
    bytes x, y, c3, c2;
    if (!open_sequence(der, at) || !take(der, at, 0x02, x) || !take(der, at, 0x02, y) ||
        !take(der, at, 0x04, c3) || !take(der, at, 0x04, c2))
        return false;
    c = {0x04};
    c.insert(c.end(), x.begin(), x.end());
    c.insert(c.end(), y.begin(), y.end());
    c.insert(c.end(), c2.begin(), c2.end());
    c.insert(c.end(), c3.begin(), c3.end());
    return true;
}

} // namespace sslpeer

#endif
