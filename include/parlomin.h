/*
 * Parlomin: reads fields of DER-encoded X.509 certificates and CRLs, converts
 * object identifiers between dotted text and DER, and encodes and decodes
 * plain Base64.
 *
 * Every function is stateless and thread-safe. Callers own every buffer. All
 * integers are 32-bit. Certificate and CRL bytes are never read past the
 * length the caller gives: a truncated or inconsistent encoding yields
 * PARLOMIN_ERR_DATA_ENDED or PARLOMIN_ERR_BAD_SHAPE. Text taken from
 * BMPString name values is returned in the GBK code page; every other string
 * value is returned byte for byte.
 */
#ifndef PARLOMIN_H
#define PARLOMIN_H

#include <stdint.h>

#if defined(_WIN32)
#define PARLOMIN_API __declspec(dllexport)
#else
#define PARLOMIN_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes. The 0xA090xxxx family has texts from xCert_GetErrorMsg. */
#define PARLOMIN_OK 0x00000000u
#define PARLOMIN_ERR_DATA_ENDED 0x90000006u      /* null argument, or the data ended */
#define PARLOMIN_ERR_CAPACITY 0x90000007u        /* output capacity too small */
#define PARLOMIN_ERR_OID_TEXT 0x90000008u        /* malformed OID text */
#define PARLOMIN_ERR_TOO_LONG 0x90000009u        /* value longer than its slot or limit */
#define PARLOMIN_ERR_BAD_SHAPE 0x9000000Au       /* DER tag or shape not as expected */
#define PARLOMIN_ERR_TIME_TYPE 0x9000000Cu       /* time neither UTCTime nor GeneralizedTime */
#define PARLOMIN_ERR_NO_SUBJECT_KEY_ID 0x90000012u
#define PARLOMIN_ERR_BUFFER_TOO_SMALL 0xA0900007u
#define PARLOMIN_ERR_NO_ITEM 0xA0900012u
#define PARLOMIN_ERR_FORMAT 0xA0900013u
#define PARLOMIN_ERR_NO_INPUT 0xA0900100u        /* also: CRL entries were only counted */
#define PARLOMIN_ERR_INPUT_LENGTH 0xA0900101u
#define PARLOMIN_ERR_EXTENSIONS 0xA0900230u
#define PARLOMIN_ERR_OID_VALUE 0xA0900261u
#define PARLOMIN_ERR_OID_ENCODE 0xA0900262u
#define PARLOMIN_ERR_CRL 0xA0900295u

/* Name attributes; each slot is a NUL-terminated string. */
typedef struct CertName {
  char country[24];             /* 2.5.4.6 */
  char state_or_province[24];   /* 2.5.4.8 */
  char locality[24];            /* 2.5.4.7 */
  char organization[100];       /* 2.5.4.10 */
  char organizational_unit[100];/* 2.5.4.11 */
  char common_name[3][100];     /* 2.5.4.3, first three values */
  char email_address[100];      /* 1.2.840.113549.1.9.1 */
} CertName;

/* A broken-down time, laid out like the C library's struct tm. */
typedef struct BrokenTime {
  int32_t second;
  int32_t minute;
  int32_t hour;
  int32_t day_of_month;
  int32_t month;        /* 0-11 */
  int32_t years_since_1900;
  int32_t day_of_week;  /* 0 = Sunday */
  int32_t day_of_year;  /* 0-365 */
  int32_t daylight_saving;
} BrokenTime;

typedef struct ExtValue {
  unsigned char value[100];
  uint32_t length;
} ExtValue;

typedef struct ErrorText {
  char message[60];     /* NUL-terminated GBK text */
  uint32_t code;
} ErrorText;

/* Either dotted text (NUL-terminated) or a DER OID (06, length, content, or
 * the bare content); length is the text length or the number of DER bytes. */
typedef struct OidValue {
  unsigned char value[100];
  uint32_t length;
} OidValue;

/* One revoked certificate; the caller's array is chained through next. */
typedef struct CrlEntry {
  unsigned char serial[100];
  uint32_t serial_length;
  BrokenTime revocation_date;
  int32_t reason;       /* reasonCode; 0 (unspecified) when the entry has none */
  struct CrlEntry *next;
} CrlEntry;

/*
 * Certificate fields. cert/cert_len give the DER certificate; the
 * certificate may be followed by other bytes within cert_len.
 * In/out lengths carry the capacity in and the stored length out.
 */
PARLOMIN_API uint32_t xCert_GetSerialFromCert(const unsigned char *cert, uint32_t cert_len,
                                              unsigned char *out, uint32_t *out_len);
PARLOMIN_API uint32_t xCert_GetDerPubKeyFromCert(const unsigned char *cert, uint32_t cert_len,
                                                 unsigned char *out, uint32_t *out_len);
/* Both times in UTC+8, whatever the host's time zone. */
PARLOMIN_API uint32_t xCert_GetValidPeriodFromCert(const unsigned char *cert, uint32_t cert_len,
                                                   BrokenTime *not_before, BrokenTime *not_after);
/* out needs room for 100 bytes; out_len is written only. */
PARLOMIN_API uint32_t xCert_GetKeyIDFromCert(const unsigned char *cert, uint32_t cert_len,
                                             unsigned char *out, uint32_t *out_len);
/* No authorityKeyIdentifier (or no keyIdentifier in it): length 0, status 0. */
PARLOMIN_API uint32_t xCert_GetSignKeyIDFromCert(const unsigned char *cert, uint32_t cert_len,
                                                 unsigned char *out, uint32_t *out_len);
PARLOMIN_API uint32_t xCert_GetIssuerUID(const unsigned char *cert, uint32_t cert_len,
                                         unsigned char *out, uint32_t *out_len);
PARLOMIN_API uint32_t xCert_GetSubjectUID(const unsigned char *cert, uint32_t cert_len,
                                          unsigned char *out, uint32_t *out_len);
PARLOMIN_API uint32_t xCert_GetIssuerStruct(const unsigned char *cert, uint32_t cert_len,
                                            CertName *name);
PARLOMIN_API uint32_t xCert_GetSubjecttruct(const unsigned char *cert, uint32_t cert_len,
                                            CertName *name);
/* is_ca 1 for cA TRUE; path_len 255 when no pathLenConstraint is given. */
PARLOMIN_API uint32_t xCert_GetCABasicConstraintItem(const unsigned char *cert, uint32_t cert_len,
                                                     uint32_t *is_ca, uint32_t *path_len);
PARLOMIN_API uint32_t xCert_GetUnitCodeItem(const unsigned char *cert, uint32_t cert_len,
                                            unsigned char *out, uint32_t *out_len);
/* First key-usage byte times 256 plus the second: digitalSignature 0x8000. */
PARLOMIN_API uint32_t xCert_GetKeyUsage(const unsigned char *cert, uint32_t cert_len,
                                        uint32_t *usage);
/* occurrence 1 is the first extension with that OID. */
PARLOMIN_API uint32_t xCert_GetExtendItemByOID(const unsigned char *cert, uint32_t cert_len,
                                               const OidValue *oid, ExtValue *value,
                                               int32_t occurrence);
/* 0, or -1 for an unknown code (the record then holds a text saying so). */
PARLOMIN_API int32_t xCert_GetErrorMsg(uint32_t code, ErrorText *text);
/* Needs a capacity of at least 30 bytes. */
PARLOMIN_API uint32_t xCert_GetVersionMessage(char *text, uint32_t capacity);

/* direction non-zero: DER to dotted text; 0: dotted text to DER. */
PARLOMIN_API uint32_t certTranOIDValue(const OidValue *in, OidValue *out, int32_t direction);

/* Base64 without line breaks. text_len: capacity in, text length out; the
 * text is NUL-terminated when the capacity leaves room. 0 or -1. */
PARLOMIN_API int32_t xPemEncode(const unsigned char *data, uint32_t data_len, char *text,
                                uint32_t *text_len);
/* text is NUL-terminated; out_len: capacity in, decoded length out. A text
 * whose length is not a multiple of 4 or that holds a character outside the
 * alphabet is refused. 0 or -1. */
PARLOMIN_API int32_t xPemDecode(const char *text, unsigned char *out, uint32_t *out_len);

/* Revoked certificates of a version 2 CRL. With no array or *count 0 the
 * entries are counted: PARLOMIN_ERR_NO_INPUT and *count set. With an array
 * of *count entries they are filled: 0, or PARLOMIN_ERR_BUFFER_TOO_SMALL with
 * *count the entries filled. */
PARLOMIN_API uint32_t certGetCRLUserInfo(const unsigned char *crl, uint32_t crl_len,
                                         CrlEntry *entries, uint32_t *count);

#ifdef __cplusplus
}
#endif

#endif
