/* Quillon: SM2, SM3 and SM4 (SM9 joins later) on GMP.
 *
 * Every operation that can fail returns a 32-bit code: 0 is success, the
 * 0x071xxxxx codes are failures whose text qv_sm_get_err_info() supplies.
 * Byte strings are big-endian; points are written as 0x04 || x || y. */
#ifndef QUILLON_H
#define QUILLON_H

#include <stdint.h>
#include <stdio.h>

#if defined(_WIN32)
#define QV_API __declspec(dllexport)
#else
#define QV_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Return codes. */
#define QV_OK 0x00000000u
#define QV_ERR_SELF_TEST 0x07100000u
#define QV_ERR_INVALID_POINT 0x07100001u
#define QV_ERR_NO_INFORMATION 0x07100003u
#define QV_ERR_KEY_LENGTH 0x07100004u
#define QV_ERR_SM2_VERIFY 0x07100204u
#define QV_ERR_SM2_PUBLIC_KEY 0x07100205u
#define QV_ERR_SM2_ENC_INFINITY 0x07100206u
#define QV_ERR_SM2_DEC_C1 0x07100207u
#define QV_ERR_SM2_DEC_INFINITY 0x07100208u
#define QV_ERR_SM2_DEC_ZERO_T 0x07100209u
#define QV_ERR_SM2_DEC_MAC 0x0710020Au
#define QV_ERR_SM2_KX_ZERO_U 0x0710020Bu
#define QV_ERR_SM2_KX_CTX 0x0710020Cu
#define QV_ERR_SM2_KX_ZERO_V 0x0710020Du
#define QV_ERR_SM4_LENGTH 0x07100415u
#define QV_ERR_LENGTH 0x0710090Cu

/* qv_sm_get_err_info writes up to 256 characters and a terminator. */
#define QV_ERR_INFO_BUFFER_SIZE 257

#define QV_SM2_SCALAR_BYTES 32
#define QV_SM2_POINT_BYTES 65
#define QV_SM2_SIGNATURE_BYTES 64
#define QV_SM2_CIPHER_OVERHEAD 97
/* {uint32 length = 65, 65-byte point} */
#define QV_SM2_POINT_MESSAGE_BYTES 69
#define QV_SM2_KX_CTX_BYTES 422

/* ---- Frame ---- */

/* Fills len bytes at buf; returns len by convention. */
typedef int32_t (*qv_random_function)(unsigned char *buf, int32_t len);

QV_API uint32_t qv_sm_get_err_info(char *buf, uint32_t code);
/* Installs fn for the whole process; a null fn brings back the default. */
QV_API void qv_sm_set_random_function(qv_random_function fn);
QV_API int32_t qv_sm_get_random_bytes(unsigned char *buf, int32_t len);
QV_API uint32_t qv_sm2_sys_init(void);
QV_API uint32_t qv_sm2_sys_clear(void);
/* Runs every built-in test; prints its report to stream at the given
 * verbosity (stream null: nothing is printed). */
QV_API uint32_t qv_sm_self_test(FILE *stream, int32_t verbosity);

/* ---- SM3 ---- */

typedef struct qv_sm3_ctx {
    uint32_t state[8];
    unsigned char block[64];
    uint32_t pending;
    uint32_t reserved;
    uint64_t total;
} qv_sm3_ctx;

QV_API void qv_sm3_init(qv_sm3_ctx *ctx);
QV_API void qv_sm3_reset(qv_sm3_ctx *ctx);
QV_API void qv_sm3_update(qv_sm3_ctx *ctx, const unsigned char *data, uint32_t len);
/* Writes the digest and re-initialises ctx. */
QV_API void qv_sm3_digest(qv_sm3_ctx *ctx, unsigned char out[32]);
QV_API void qv_do_sm3(unsigned char out[32], const unsigned char *data, uint32_t len);
QV_API void qv_sm3_state_copy(qv_sm3_ctx *dst, const qv_sm3_ctx *src);
/* pk is a 132-byte ECC public-key blob: 32-bit bit length, X[64], Y[64],
 * coordinates right-aligned. id null: the default identity. */
QV_API void qv_sm3_init_withID(qv_sm3_ctx *ctx, const unsigned char *id, uint32_t idlen,
                               const void *pk);
QV_API void qv_sm3_withID(const unsigned char *msg, uint32_t msglen, const unsigned char *id,
                          uint32_t idlen, const void *pk, uint32_t unused,
                          unsigned char out[32]);
QV_API uint32_t qv_sm3_withID_test(void);

/* ---- SM4 (no padding; in and out may be the same buffer) ---- */

QV_API uint32_t qv_sm4_encrypt_ecb(unsigned char *out, uint32_t *outlen, const unsigned char key[16],
                                   const unsigned char *in, uint32_t inlen);
QV_API uint32_t qv_sm4_decrypt_ecb(unsigned char *out, uint32_t *outlen, const unsigned char key[16],
                                   const unsigned char *in, uint32_t inlen);
/* iv is updated in place so that consecutive calls continue one chain. */
QV_API uint32_t qv_sm4_encrypt_cbc(unsigned char *out, uint32_t *outlen, const unsigned char key[16],
                                   unsigned char iv[16], const unsigned char *in, uint32_t inlen);
QV_API uint32_t qv_sm4_decrypt_cbc(unsigned char *out, uint32_t *outlen, const unsigned char key[16],
                                   unsigned char iv[16], const unsigned char *in, uint32_t inlen);

/* ---- SM2 (qv_sm2_sys_init first) ----
 * Points are read in the forms 04/06/07 || x || y and 02/03 || x. */

QV_API uint32_t qv_sm2_query_clen(uint32_t mlen);
QV_API uint32_t qv_sm2_query_mlen(uint32_t clen);
/* rnd null: fresh random bytes. The random bytes are zeroed afterwards. */
QV_API uint32_t qv_sm2_gen_private_key(unsigned char d_out[32], unsigned char *rnd);
/* A key that is a multiple of n (no public key) is refused with
 * QV_ERR_INVALID_POINT. */
QV_API uint32_t qv_sm2_gen_public_key(unsigned char pk_out[65], const unsigned char d[32]);
QV_API uint32_t qv_sm2_za(unsigned char z_out[32], const unsigned char *id, uint32_t idlen,
                          const unsigned char pk[65]);
QV_API uint32_t qv_sm2_em(unsigned char e_out[32], const unsigned char *id, uint32_t idlen,
                          const unsigned char *msg, uint32_t msglen, const unsigned char pk[65]);
/* k null: a random nonce. The nonce bytes are zeroed afterwards. The key
 * d = n - 1 cannot sign (1 + d has no inverse): QV_ERR_INVALID_POINT. */
QV_API uint32_t qv_sm2_sign(unsigned char sig_out[64], const unsigned char e[32],
                            const unsigned char d[32], unsigned char *k);
QV_API uint32_t qv_sm2_verify(const unsigned char sig[64], const unsigned char e[32],
                              const unsigned char *pk);
/* c_out holds mlen + 97 bytes: C1 || C2 || C3. An empty message is refused
 * with QV_ERR_LENGTH. */
QV_API uint32_t qv_sm2_enc(unsigned char *c_out, uint32_t *clen_out, const unsigned char *msg,
                           uint32_t mlen, const unsigned char *pk, const unsigned char *k);
/* m_out holds clen - 97 bytes; *mlen_out is set to clen - 97 in every case.
 * When C3 does not match, m_out is zeroed: unauthenticated bytes are not
 * handed out. */
QV_API uint32_t qv_sm2_dec(unsigned char *m_out, uint32_t *mlen_out, const unsigned char *c,
                           uint32_t clen, const unsigned char d[32]);
/* Key exchange without confirmation; klen 0 is refused with QV_ERR_KEY_LENGTH. */
QV_API uint32_t qv_sm2_kx_nocomfirm_sender_hello(unsigned char RA_out[69], unsigned char ctx_out[422],
                                                 const unsigned char *r);
QV_API uint32_t qv_sm2_kx_nocomfirm_sender_final(unsigned char *key_out, const unsigned char RB[69],
                                                 const unsigned char ctx[422], uint32_t klen,
                                                 const unsigned char dA[32], const unsigned char *PA,
                                                 const unsigned char *PB, const unsigned char ZA[32],
                                                 const unsigned char ZB[32]);
QV_API uint32_t qv_sm2_kx_nocomfirm_responsor(unsigned char *key_out, unsigned char RB_out[69],
                                              const unsigned char RA[69], uint32_t klen,
                                              const unsigned char *PB, const unsigned char *PA,
                                              const unsigned char ZB[32], const unsigned char ZA[32],
                                              const unsigned char dB[32], const unsigned char *r);

#ifdef __cplusplus
}
#endif

#endif
