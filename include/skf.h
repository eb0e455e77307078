/*
 * Veltrakey: the SKF smart-token interface (GM/T 0016) and its vendor
 * extensions. Usable from C and C++.
 *
 * Every function returns a 32-bit code: SAR_OK, a GM/T 0016 SAR_ code, a
 * vendor XAR_ code, or a token status word that has no code of its own,
 * zero-extended (for example 0x00006A85).
 *
 * Handles are opaque pointer-sized numbers handed out by the library; they
 * are never addresses. Structures are byte-packed and their layouts are part
 * of the interface.
 */
#ifndef VELTRAKEY_SKF_H
#define VELTRAKEY_SKF_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define SKF_EXPORT __attribute__((visibility("default")))
#else
#define SKF_EXPORT
#endif
#define DEVAPI

/* ---- Scalar types ---------------------------------------------------- */

typedef int8_t INT8;
typedef int16_t INT16;
typedef int32_t INT32;
typedef uint8_t UINT8;
typedef uint16_t UINT16;
typedef uint32_t UINT32;
typedef int32_t BOOL;
typedef uint8_t BYTE;
typedef char CHAR;
typedef int16_t SHORT;
typedef uint16_t USHORT;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef uint32_t UINT;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint32_t FLAGS;
typedef CHAR *LPSTR;

/* All handle kinds share one opaque type. */
typedef void *HANDLE;
typedef HANDLE DEVHANDLE;
typedef HANDLE HAPPLICATION;
typedef HANDLE HCONTAINER;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

/* ---- Limits ---------------------------------------------------------- */

#define MAX_IV_LEN 32
#define MAX_FILE_NAME_SIZE 32
#define MAX_FILE_CONTAINER_NAME_SIZE 64
#define MAX_RSA_MODULUS_LEN 256
#define MAX_RSA_EXPONENT_LEN 4
#define ECC_MAX_XCOORDINATE_BITS_LEN 512
#define ECC_MAX_YCOORDINATE_BITS_LEN 512
#define ECC_MAX_MODULUS_BITS_LEN 512

/* PIN types */
#define ADMIN_TYPE 0
#define USER_TYPE 1

/* File access rights */
#define SECURE_NEVER_ACCOUNT 0x00000000
#define SECURE_ADM_ACCOUNT 0x00000001
#define SECURE_USER_ACCOUNT 0x00000010
#define SECURE_ANYONE_ACCOUNT 0x000000FF

/* Device states and events */
#define DEV_ABSENT_STATE 0x00000000
#define DEV_PRESENT_STATE 0x00000001
#define DEV_UNKNOW_STATE 0x00000002
#define DEV_EVENT_NONE 0
#define DEV_EVENT_ARRIVAL 1
#define DEV_EVENT_REMOVAL 2

/* ---- Algorithm identifiers ------------------------------------------- */

/* Symmetric; the low bits are the mode: 1 ECB, 2 CBC, 4 CFB, 8 OFB, 0x10 MAC. */
#define SGD_SM1_ECB 0x00000101
#define SGD_SM1_CBC 0x00000102
#define SGD_SM1_CFB 0x00000104
#define SGD_SM1_OFB 0x00000108
#define SGD_SM1_MAC 0x00000110
#define SGD_SSF33_ECB 0x00000201
#define SGD_SSF33_CBC 0x00000202
#define SGD_SSF33_CFB 0x00000204
#define SGD_SSF33_OFB 0x00000208
#define SGD_SSF33_MAC 0x00000210
#define SGD_SMS4_ECB 0x00000401
#define SGD_SMS4_CBC 0x00000402
#define SGD_SMS4_CFB 0x00000404
#define SGD_SMS4_OFB 0x00000408
#define SGD_SMS4_MAC 0x00000410
#define SGD_SM4_ECB SGD_SMS4_ECB
#define SGD_SM4_CBC SGD_SMS4_CBC
#define SGD_SM4_CFB SGD_SMS4_CFB
#define SGD_SM4_OFB SGD_SMS4_OFB
#define SGD_SM4_MAC SGD_SMS4_MAC

/* Vendor block ciphers: 8-byte block with 8-, 16- and 24-byte keys, and
 * 16-byte block with 16-, 24- and 32-byte keys (…1 ECB, …2 CBC). */
#define XGD_B8_K8_ECB 0x80000211
#define XGD_B8_K8_CBC 0x80000212
#define XGD_B8_K16_ECB 0x80000221
#define XGD_B8_K16_CBC 0x80000222
#define XGD_B8_K24_ECB 0x80000241
#define XGD_B8_K24_CBC 0x80000242
#define XGD_B16_K16_ECB 0x80000111
#define XGD_B16_K16_CBC 0x80000112
#define XGD_B16_K24_ECB 0x80000121
#define XGD_B16_K24_CBC 0x80000122
#define XGD_B16_K32_ECB 0x80000141
#define XGD_B16_K32_CBC 0x80000142

/* Asymmetric */
#define SGD_RSA 0x00010000
#define SGD_SM2_1 0x00020100 /* signature */
#define SGD_SM2_2 0x00020200 /* key exchange */
#define SGD_SM2_3 0x00020400 /* encryption */

/* Digests */
#define SGD_SM3 0x00000001
#define SGD_SHA1 0x00000002
#define SGD_SHA256 0x00000004

/* ---- Error codes ----------------------------------------------------- */

#define SAR_OK 0x00000000
#define SAR_FAIL 0x0A000001
#define SAR_UNKNOWNERR 0x0A000002
#define SAR_NOTSUPPORTYETERR 0x0A000003
#define SAR_FILEERR 0x0A000004
#define SAR_INVALIDHANDLEERR 0x0A000005
#define SAR_INVALIDPARAMERR 0x0A000006
#define SAR_READFILEERR 0x0A000007
#define SAR_WRITEFILEERR 0x0A000008
#define SAR_NAMELENERR 0x0A000009
#define SAR_KEYUSAGEERR 0x0A00000A
#define SAR_MODULUSLENERR 0x0A00000B
#define SAR_NOTINITIALIZEERR 0x0A00000C
#define SAR_OBJERR 0x0A00000D
#define SAR_MEMORYERR 0x0A00000E
#define SAR_TIMEOUTERR 0x0A00000F
#define SAR_INDATALENERR 0x0A000010
#define SAR_INDATAERR 0x0A000011
#define SAR_GENRANDERR 0x0A000012
#define SAR_HASHOBJERR 0x0A000013
#define SAR_HASHERR 0x0A000014
#define SAR_GENRSAKEYERR 0x0A000015
#define SAR_RSAMODULUSLENERR 0x0A000016
#define SAR_CSPIMPRTPUBKEYERR 0x0A000017
#define SAR_RSAENCERR 0x0A000018
#define SAR_RSADECERR 0x0A000019
#define SAR_HASHNOTEQUALERR 0x0A00001A
#define SAR_KEYNOTFOUNTERR 0x0A00001B
#define SAR_CERTNOTFOUNTERR 0x0A00001C
#define SAR_NOTEXPORTERR 0x0A00001D
#define SAR_DECRYPTPADERR 0x0A00001E
#define SAR_MACLENERR 0x0A00001F
#define SAR_BUFFER_TOO_SMALL 0x0A000020
#define SAR_KEYINFOTYPEERR 0x0A000021
#define SAR_NOT_EVENTERR 0x0A000022
#define SAR_DEVICE_REMOVED 0x0A000023
#define SAR_PIN_INCORRECT 0x0A000024
#define SAR_PIN_LOCKED 0x0A000025
#define SAR_PIN_INVALID 0x0A000026
#define SAR_PIN_LEN_RANGE 0x0A000027
#define SAR_USER_ALREADY_LOGGED_IN 0x0A000028
#define SAR_USER_PIN_NOT_INITIALIZED 0x0A000029
#define SAR_USER_TYPE_INVALID 0x0A00002A
#define SAR_APPLICATION_NAME_INVALID 0x0A00002B
#define SAR_APPLICATION_EXISTS 0x0A00002C
#define SAR_USER_NOT_LOGGED_IN 0x0A00002D
#define SAR_APPLICATION_NOT_EXISTS 0x0A00002E
#define SAR_FILE_ALREADY_EXIST 0x0A00002F
#define SAR_NO_ROOM 0x0A000030
#define SAR_FILE_NOT_EXIST 0x0A000031
#define SAR_REACH_MAX_CONTAINER_COUNT 0x0A000032

/* Vendor codes; most carry a token status that has no standard name. */
#define XAR_USER_NOT_VERIFIED 0x0B000033 /* key-pair operation before user PIN */
#define XAR_WRONG_P1P2 0x0B000034        /* status 0x6B00 */
#define XAR_STATUS_6A91_6A94 0x0B000035
#define XAR_STATUS_6E02 0x0B000036
#define XAR_STATUS_6A9A 0x0B000038
#define XAR_TOKEN_WAITING 0x0B000039 /* status 0x6F01 or 0x6F0D */
#define XAR_STATUS_6F02_6F0C 0x0B000040
#define XAR_STATUS_6F09 0x0C000001
#define XAR_STATUS_6F0A 0x0C000002
#define XAR_STATUS_6F0B 0x0C000003

/* ---- Structures ------------------------------------------------------ */

#pragma pack(push, 1)

typedef struct Struct_Version {
  BYTE major;
  BYTE minor;
} VERSION;

typedef struct Struct_DEVINFO {
  VERSION Version;
  CHAR Manufacturer[64];
  CHAR Issuer[64];
  CHAR Label[32];
  CHAR SerialNumber[32];
  VERSION HWVersion;
  VERSION FirmwareVersion;
  ULONG AlgSymCap;
  ULONG AlgAsymCap;
  ULONG AlgHashCap;
  ULONG DevAuthAlgId;
  ULONG TotalSpace;
  ULONG FreeSpace;
  ULONG MaxECCBufferSize;
  ULONG MaxBufferSize;
  BYTE Reserved[64];
} DEVINFO, *PDEVINFO;

typedef struct Struct_RSAPUBLICKEYBLOB {
  ULONG AlgID;
  ULONG BitLen;
  BYTE Modulus[MAX_RSA_MODULUS_LEN];
  BYTE PublicExponent[MAX_RSA_EXPONENT_LEN];
} RSAPUBLICKEYBLOB, *PRSAPUBLICKEYBLOB;

typedef struct Struct_RSAPRIVATEKEYBLOB {
  ULONG AlgID;
  ULONG BitLen;
  BYTE Modulus[MAX_RSA_MODULUS_LEN];
  BYTE PublicExponent[MAX_RSA_EXPONENT_LEN];
  BYTE PrivateExponent[MAX_RSA_MODULUS_LEN];
  BYTE Prime1[MAX_RSA_MODULUS_LEN / 2];
  BYTE Prime2[MAX_RSA_MODULUS_LEN / 2];
  BYTE Prime1Exponent[MAX_RSA_MODULUS_LEN / 2];
  BYTE Prime2Exponent[MAX_RSA_MODULUS_LEN / 2];
  BYTE Coefficient[MAX_RSA_MODULUS_LEN / 2];
} RSAPRIVATEKEYBLOB, *PRSAPRIVATEKEYBLOB;

/* SM2 values are 32 bytes, right-aligned in 64-byte fields. */
typedef struct Struct_ECCPUBLICKEYBLOB {
  ULONG BitLen;
  BYTE XCoordinate[ECC_MAX_XCOORDINATE_BITS_LEN / 8];
  BYTE YCoordinate[ECC_MAX_YCOORDINATE_BITS_LEN / 8];
} ECCPUBLICKEYBLOB, *PECCPUBLICKEYBLOB;

typedef struct Struct_ECCPRIVATEKEYBLOB {
  ULONG BitLen;
  BYTE PrivateKey[ECC_MAX_MODULUS_BITS_LEN / 8];
} ECCPRIVATEKEYBLOB, *PECCPRIVATEKEYBLOB;

/* A 164-byte header followed by CipherLen bytes of cipher text. */
typedef struct Struct_ECCCIPHERBLOB {
  BYTE XCoordinate[ECC_MAX_XCOORDINATE_BITS_LEN / 8];
  BYTE YCoordinate[ECC_MAX_XCOORDINATE_BITS_LEN / 8];
  BYTE HASH[32];
  ULONG CipherLen;
  BYTE Cipher[1];
} ECCCIPHERBLOB, *PECCCIPHERBLOB;

typedef struct Struct_ECCSIGNATUREBLOB {
  BYTE r[ECC_MAX_XCOORDINATE_BITS_LEN / 8];
  BYTE s[ECC_MAX_XCOORDINATE_BITS_LEN / 8];
} ECCSIGNATUREBLOB, *PECCSIGNATUREBLOB;

typedef struct SKF_ENVELOPEDKEYBLOB {
  ULONG Version;
  ULONG ulSymmAlgID;
  ULONG ulBits;
  BYTE cbEncryptedPriKey[64];
  ECCPUBLICKEYBLOB PubKey;
  ECCCIPHERBLOB ECCCipherBlob;
} ENVELOPEDKEYBLOB, *PENVELOPEDKEYBLOB;

typedef struct Struct_BLOCKCIPHERPARAM {
  BYTE IV[MAX_IV_LEN];
  ULONG IVLen;
  ULONG PaddingType;
  ULONG FeedBitLen;
} BLOCKCIPHERPARAM, *PBLOCKCIPHERPARAM;

typedef struct Struct_FILEATTRIBUTE {
  CHAR FileName[32];
  ULONG FileSize;
  ULONG ReadRights;
  ULONG WriteRights;
} FILEATTRIBUTE, *PFILEATTRIBUTE;

#pragma pack(pop)

/* Other processes pass these structures by pointer: their layout is fixed. */
#ifdef __cplusplus
#define SKF_LAYOUT_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define SKF_LAYOUT_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif
SKF_LAYOUT_ASSERT(sizeof(VERSION) == 2, "VERSION");
SKF_LAYOUT_ASSERT(sizeof(DEVINFO) == 294, "DEVINFO");
SKF_LAYOUT_ASSERT(offsetof(DEVINFO, Label) == 130, "DEVINFO.Label");
SKF_LAYOUT_ASSERT(offsetof(DEVINFO, SerialNumber) == 162, "DEVINFO.SerialNumber");
SKF_LAYOUT_ASSERT(offsetof(DEVINFO, AlgSymCap) == 198, "DEVINFO.AlgSymCap");
SKF_LAYOUT_ASSERT(offsetof(DEVINFO, MaxBufferSize) == 226, "DEVINFO.MaxBufferSize");
SKF_LAYOUT_ASSERT(offsetof(DEVINFO, Reserved) == 230, "DEVINFO.Reserved");
SKF_LAYOUT_ASSERT(sizeof(ECCPUBLICKEYBLOB) == 132, "ECCPUBLICKEYBLOB");
SKF_LAYOUT_ASSERT(sizeof(ECCPRIVATEKEYBLOB) == 68, "ECCPRIVATEKEYBLOB");
SKF_LAYOUT_ASSERT(offsetof(ECCCIPHERBLOB, HASH) == 128, "ECCCIPHERBLOB.HASH");
SKF_LAYOUT_ASSERT(offsetof(ECCCIPHERBLOB, CipherLen) == 160, "ECCCIPHERBLOB.CipherLen");
SKF_LAYOUT_ASSERT(offsetof(ECCCIPHERBLOB, Cipher) == 164, "ECCCIPHERBLOB.Cipher");
SKF_LAYOUT_ASSERT(sizeof(ECCSIGNATUREBLOB) == 128, "ECCSIGNATUREBLOB");
SKF_LAYOUT_ASSERT(offsetof(ENVELOPEDKEYBLOB, cbEncryptedPriKey) == 12, "ENVELOPEDKEYBLOB.cbEncryptedPriKey");
SKF_LAYOUT_ASSERT(offsetof(ENVELOPEDKEYBLOB, PubKey) == 76, "ENVELOPEDKEYBLOB.PubKey");
SKF_LAYOUT_ASSERT(offsetof(ENVELOPEDKEYBLOB, ECCCipherBlob) == 208, "ENVELOPEDKEYBLOB.ECCCipherBlob");
SKF_LAYOUT_ASSERT(offsetof(ENVELOPEDKEYBLOB, ECCCipherBlob.CipherLen) == 368, "ENVELOPEDKEYBLOB cipher length");
SKF_LAYOUT_ASSERT(sizeof(RSAPUBLICKEYBLOB) == 268, "RSAPUBLICKEYBLOB");
SKF_LAYOUT_ASSERT(sizeof(RSAPRIVATEKEYBLOB) == 1164, "RSAPRIVATEKEYBLOB");
SKF_LAYOUT_ASSERT(offsetof(RSAPRIVATEKEYBLOB, Prime1) == 524, "RSAPRIVATEKEYBLOB.Prime1");
SKF_LAYOUT_ASSERT(sizeof(BLOCKCIPHERPARAM) == 44, "BLOCKCIPHERPARAM");
SKF_LAYOUT_ASSERT(sizeof(FILEATTRIBUTE) == 44, "FILEATTRIBUTE");

/* ---- Device ---------------------------------------------------------- */

SKF_EXPORT ULONG DEVAPI SKF_WaitForDevEvent(LPSTR szDevName, ULONG *pulDevNameLen, ULONG *pulEvent);
SKF_EXPORT ULONG DEVAPI SKF_CancelWaitForDevEvent(void);
SKF_EXPORT ULONG DEVAPI SKF_EnumDev(BOOL bPresent, LPSTR szNameList, ULONG *pulSize);
SKF_EXPORT ULONG DEVAPI SKF_ConnectDev(LPSTR szName, DEVHANDLE *phDev);
SKF_EXPORT ULONG DEVAPI SKF_DisConnectDev(DEVHANDLE hDev);
SKF_EXPORT ULONG DEVAPI SKF_GetDevState(LPSTR szDevName, ULONG *pulDevState);
SKF_EXPORT ULONG DEVAPI SKF_SetLabel(DEVHANDLE hDev, LPSTR szLabel);
SKF_EXPORT ULONG DEVAPI SKF_GetDevInfo(DEVHANDLE hDev, DEVINFO *pDevInfo);
/* Holds the library lock for this thread until SKF_UnlockDev; SAR_TIMEOUTERR
 * when it was not obtained within ulTimeOut milliseconds (0 does not wait). */
SKF_EXPORT ULONG DEVAPI SKF_LockDev(DEVHANDLE hDev, ULONG ulTimeOut);
SKF_EXPORT ULONG DEVAPI SKF_UnlockDev(DEVHANDLE hDev);
SKF_EXPORT ULONG DEVAPI SKF_Transmit(DEVHANDLE hDev, BYTE *pbCommand, ULONG ulCommandLen, BYTE *pbData,
                                     ULONG *pulDataLen);
SKF_EXPORT ULONG DEVAPI SKF_ChangeDevAuthKey(DEVHANDLE hDev, BYTE *pbKeyValue, ULONG ulKeyLen);
SKF_EXPORT ULONG DEVAPI SKF_DevAuth(DEVHANDLE hDev, BYTE *pbAuthData, ULONG ulLen);
SKF_EXPORT ULONG DEVAPI SKF_GenRandom(DEVHANDLE hDev, BYTE *pbRandom, ULONG ulRandomLen);

/* ---- Applications and PINs ------------------------------------------- */

SKF_EXPORT ULONG DEVAPI SKF_ChangePIN(HAPPLICATION hApplication, ULONG ulPINType, LPSTR szOldPin, LPSTR szNewPin,
                                      ULONG *pulRetryCount);
SKF_EXPORT ULONG DEVAPI SKF_GetPINInfo(HAPPLICATION hApplication, ULONG ulPINType, ULONG *pulMaxRetryCount,
                                       ULONG *pulRemainRetryCount, BOOL *pbDefaultPin);
SKF_EXPORT ULONG DEVAPI SKF_VerifyPIN(HAPPLICATION hApplication, ULONG ulPINType, LPSTR szPIN, ULONG *pulRetryCount);
SKF_EXPORT ULONG DEVAPI SKF_UnblockPIN(HAPPLICATION hApplication, LPSTR szAdminPIN, LPSTR szNewUserPIN,
                                       ULONG *pulRetryCount);
SKF_EXPORT ULONG DEVAPI SKF_ClearSecureState(HAPPLICATION hApplication);
SKF_EXPORT ULONG DEVAPI SKF_IsVerifyPIN(HAPPLICATION hApplication, ULONG ulPINType);
SKF_EXPORT ULONG DEVAPI SKF_VerifyPinMS(HAPPLICATION hApplication, ULONG ulPINType, BYTE *pbPinData, ULONG ulPinLen,
                                        ULONG *pulRetryCount);
SKF_EXPORT ULONG DEVAPI SKF_ChangePinMS(HAPPLICATION hApplication, ULONG ulPINType, BYTE *pbOldPin, ULONG ulOldLen,
                                        BYTE *pbNewPin, ULONG ulNewLen, ULONG *pulRetryCount);
SKF_EXPORT ULONG DEVAPI SKF_UnblockPinMS(HAPPLICATION hApplication, BYTE *pbAdminData, ULONG ulAdminLen,
                                         LPSTR szNewUserPIN, ULONG *pulRetryCount);
SKF_EXPORT ULONG DEVAPI SKF_GenRemoteUnblockRequest(HAPPLICATION hApplication, BYTE *pbRandom, ULONG ulRandomLen);
SKF_EXPORT ULONG DEVAPI SKF_RemoteUnblockPIN(HAPPLICATION hApplication, BYTE *pbResponse, ULONG ulLen,
                                             ULONG *pulRetryCount);
SKF_EXPORT ULONG DEVAPI SKF_CreateApplication(DEVHANDLE hDev, LPSTR szAppName, LPSTR szAdminPin,
                                              DWORD dwAdminPinRetryCount, LPSTR szUserPin, DWORD dwUserPinRetryCount,
                                              DWORD dwCreateFileRights, HAPPLICATION *phApplication);
SKF_EXPORT ULONG DEVAPI SKF_UpdateApplication(DEVHANDLE hDev, LPSTR szAppName, LPSTR szAdminPin,
                                              DWORD dwAdminPinRetryCount, LPSTR szUserPin, DWORD dwUserPinRetryCount,
                                              DWORD dwCreateFileRights, HAPPLICATION *phApplication);
SKF_EXPORT ULONG DEVAPI SKF_EnumApplication(DEVHANDLE hDev, LPSTR szAppName, ULONG *pulSize);
SKF_EXPORT ULONG DEVAPI SKF_DeleteApplication(DEVHANDLE hDev, LPSTR szAppName);
SKF_EXPORT ULONG DEVAPI SKF_OpenApplication(DEVHANDLE hDev, LPSTR szAppName, HAPPLICATION *phApplication);
SKF_EXPORT ULONG DEVAPI SKF_CloseApplication(HAPPLICATION hApplication);
SKF_EXPORT ULONG DEVAPI SKF_GetApplicationInfoEx(HAPPLICATION hApplication, BYTE *pbInfo1, BYTE *pbInfo2,
                                                 BYTE *pbInfo3, BYTE *pbInfo4, ULONG *pulState);

/* ---- Files ------------------------------------------------------------ */

SKF_EXPORT ULONG DEVAPI SKF_CreateFile(HAPPLICATION hApplication, LPSTR szFileName, ULONG ulFileSize,
                                       ULONG ulReadRights, ULONG ulWriteRights);
SKF_EXPORT ULONG DEVAPI SKF_DeleteFile(HAPPLICATION hApplication, LPSTR szFileName);
SKF_EXPORT ULONG DEVAPI SKF_EnumFiles(HAPPLICATION hApplication, LPSTR szFileList, ULONG *pulSize);
SKF_EXPORT ULONG DEVAPI SKF_GetFileInfo(HAPPLICATION hApplication, LPSTR szFileName, FILEATTRIBUTE *pFileInfo);
SKF_EXPORT ULONG DEVAPI SKF_ReadFile(HAPPLICATION hApplication, LPSTR szFileName, ULONG ulOffset, ULONG ulSize,
                                     BYTE *pbOutData, ULONG *pulOutLen);
SKF_EXPORT ULONG DEVAPI SKF_WriteFile(HAPPLICATION hApplication, LPSTR szFileName, ULONG ulOffset, BYTE *pbData,
                                      ULONG ulSize);
SKF_EXPORT ULONG DEVAPI SKF_EncryptReadFile(HANDLE hKey, LPSTR szFileName, ULONG ulOffset, ULONG ulSize,
                                            BYTE *pbOutData, ULONG *pulOutLen);
SKF_EXPORT ULONG DEVAPI SKF_EncryptWriteFile(HANDLE hKey, LPSTR szFileName, ULONG ulOffset, BYTE *pbData,
                                             ULONG ulSize);

/* ---- Containers and certificates ---------------------------------------- */

SKF_EXPORT ULONG DEVAPI SKF_CreateContainer(HAPPLICATION hApplication, LPSTR szContainerName, HCONTAINER *phContainer);
SKF_EXPORT ULONG DEVAPI SKF_DeleteContainer(HAPPLICATION hApplication, LPSTR szContainerName);
SKF_EXPORT ULONG DEVAPI SKF_OpenContainer(HAPPLICATION hApplication, LPSTR szContainerName, HCONTAINER *phContainer);
SKF_EXPORT ULONG DEVAPI SKF_CloseContainer(HCONTAINER hContainer);
SKF_EXPORT ULONG DEVAPI SKF_EnumContainer(HAPPLICATION hApplication, LPSTR szContainerName, ULONG *pulSize);
SKF_EXPORT ULONG DEVAPI SKF_GetContainerType(HCONTAINER hContainer, ULONG *pulContainerType);
SKF_EXPORT ULONG DEVAPI SKF_GetContainerInfo(HCONTAINER hContainer, BYTE *pbType, ULONG *pulValue1,
                                             ULONG *pulValue2, BYTE *pbByte1, BYTE *pbByte2);
SKF_EXPORT ULONG DEVAPI SKF_ImportCertificate(HCONTAINER hContainer, BOOL bSignFlag, BYTE *pbCert, ULONG ulCertLen);
SKF_EXPORT ULONG DEVAPI SKF_ExportCertificate(HCONTAINER hContainer, BOOL bSignFlag, BYTE *pbCert, ULONG *pulCertLen);
SKF_EXPORT ULONG DEVAPI SKF_DeleteKeyPair(HCONTAINER hContainer, ULONG ulKeySpec);
SKF_EXPORT ULONG DEVAPI SKF_DeleteCertificate(HCONTAINER hContainer, ULONG ulCertSpec);
SKF_EXPORT ULONG DEVAPI SKF_SetContainerExInfo(HCONTAINER hContainer, ULONG ulTag, ULONG ulLen, BYTE *pbInfo);

/* ---- SM2 ---------------------------------------------------------------- */

SKF_EXPORT ULONG DEVAPI SKF_GenECCKeyPair(HCONTAINER hContainer, ULONG ulAlgId, ECCPUBLICKEYBLOB *pBlob);
SKF_EXPORT ULONG DEVAPI SKF_ImportECCKeyPair(HCONTAINER hContainer, PENVELOPEDKEYBLOB pEnvelopedKeyBlob);
SKF_EXPORT ULONG DEVAPI SKF_ExportPublicKey(HCONTAINER hContainer, BOOL bSignFlag, BYTE *pbBlob, ULONG *pulBlobLen);
SKF_EXPORT ULONG DEVAPI SKF_ECCSignData(HCONTAINER hContainer, BYTE *pbDigest, ULONG ulDigestLen,
                                        PECCSIGNATUREBLOB pSignature);
SKF_EXPORT ULONG DEVAPI SKF_ECCSignDataEx(HCONTAINER hContainer, ULONG ulKeySpec, BYTE *pbDigest, ULONG ulDigestLen,
                                          PECCSIGNATUREBLOB pSignature);
SKF_EXPORT ULONG DEVAPI SKF_ECCSignDataInteractive(HCONTAINER hContainer, ULONG ulKeySpec, ULONG ulWaitCount,
                                                   BYTE *pbDigest, ULONG ulDigestLen, PECCSIGNATUREBLOB pSignature);
SKF_EXPORT ULONG DEVAPI SKF_ECCSignDataInteractiveCancel(HCONTAINER hContainer, ULONG ulKeySpec);
SKF_EXPORT ULONG DEVAPI SKF_ECCVerify(DEVHANDLE hDev, ECCPUBLICKEYBLOB *pECCPubKeyBlob, BYTE *pbData, ULONG ulDataLen,
                                      PECCSIGNATUREBLOB pSignature);
SKF_EXPORT ULONG DEVAPI SKF_ExtECCVerify(DEVHANDLE hDev, ECCPUBLICKEYBLOB *pECCPubKeyBlob, BYTE *pbData,
                                         ULONG ulDataLen, PECCSIGNATUREBLOB pSignature);
SKF_EXPORT ULONG DEVAPI SKF_ECCExportSessionKey(HCONTAINER hContainer, ULONG ulAlgId, ECCPUBLICKEYBLOB *pPubKey,
                                                PECCCIPHERBLOB pData, HANDLE *phSessionKey);
SKF_EXPORT ULONG DEVAPI SKF_ECCExportSessionKeyByHandle(HANDLE hSessionKey, ECCPUBLICKEYBLOB *pPubKey,
                                                        PECCCIPHERBLOB pData);
SKF_EXPORT ULONG DEVAPI SKF_ECCExportSessionKeyByHandleEx(HANDLE hSessionKey, ECCPUBLICKEYBLOB *pPubKey,
                                                          PECCCIPHERBLOB pData);
SKF_EXPORT ULONG DEVAPI SKF_ExtECCEncrypt(DEVHANDLE hDev, ECCPUBLICKEYBLOB *pECCPubKeyBlob, BYTE *pbPlainText,
                                          ULONG ulPlainTextLen, PECCCIPHERBLOB pCipherText);
SKF_EXPORT ULONG DEVAPI SKF_ECCPrvKeyDecrypt(HCONTAINER hContainer, PECCCIPHERBLOB pCipherText, BYTE *pbPlainText,
                                             ULONG *pulPlainTextLen);
SKF_EXPORT ULONG DEVAPI SKF_ECCPrvKeyDecryptEx(HCONTAINER hContainer, ULONG ulKeySpec, PECCCIPHERBLOB pCipherText,
                                               BYTE *pbPlainText, ULONG *pulPlainTextLen);
SKF_EXPORT ULONG DEVAPI SKF_ECCDecrypt(HCONTAINER hContainer, PECCCIPHERBLOB pCipherText, BYTE *pbPlainText,
                                       ULONG *pulPlainTextLen);
SKF_EXPORT ULONG DEVAPI SKF_PrvKeyDecrypt(HCONTAINER hContainer, ULONG ulKeyType, PECCCIPHERBLOB pCipherText,
                                          BYTE *pbPlainText, ULONG *pulPlainTextLen);
SKF_EXPORT ULONG DEVAPI SKF_GenerateAgreementDataWithECC(HCONTAINER hContainer, ULONG ulAlgId,
                                                         ECCPUBLICKEYBLOB *pTempECCPubKeyBlob, BYTE *pbID,
                                                         ULONG ulIDLen, HANDLE *phAgreementHandle);
SKF_EXPORT ULONG DEVAPI SKF_GenerateAgreementDataAndKeyWithECC(
    HCONTAINER hContainer, ULONG ulAlgId, ECCPUBLICKEYBLOB *pSponsorECCPubKeyBlob,
    ECCPUBLICKEYBLOB *pSponsorTempECCPubKeyBlob, ECCPUBLICKEYBLOB *pTempECCPubKeyBlob, BYTE *pbID, ULONG ulIDLen,
    BYTE *pbSponsorID, ULONG ulSponsorIDLen, HANDLE *phKeyHandle);
SKF_EXPORT ULONG DEVAPI SKF_GenerateAgreementDataAndKeyWithECCEx(
    HCONTAINER hContainer, ULONG ulFlag, ULONG ulAlgId, ECCPUBLICKEYBLOB *pSponsorECCPubKeyBlob,
    ECCPUBLICKEYBLOB *pSponsorTempECCPubKeyBlob, ECCPUBLICKEYBLOB *pTempECCPubKeyBlob, BYTE *pbID, ULONG ulIDLen,
    BYTE *pbSponsorID, ULONG ulSponsorIDLen, HANDLE *phKeyHandle);
SKF_EXPORT ULONG DEVAPI SKF_GenerateKeyWithECC(HANDLE hAgreementHandle, ECCPUBLICKEYBLOB *pECCPubKeyBlob,
                                               ECCPUBLICKEYBLOB *pTempECCPubKeyBlob, BYTE *pbID, ULONG ulIDLen,
                                               HANDLE *phKeyHandle);
SKF_EXPORT ULONG DEVAPI SKF_GenerateKeyWithECCEx(HANDLE hAgreementHandle, ULONG ulFlag,
                                                 ECCPUBLICKEYBLOB *pECCPubKeyBlob,
                                                 ECCPUBLICKEYBLOB *pTempECCPubKeyBlob, BYTE *pbID, ULONG ulIDLen,
                                                 HANDLE *phKeyHandle);
SKF_EXPORT ULONG DEVAPI SKF_ImportExtECCKeyPair(HCONTAINER hContainer, ULONG ulKeySpec, ECCPUBLICKEYBLOB *pPubKey,
                                                ECCPRIVATEKEYBLOB *pPriKey);
SKF_EXPORT ULONG DEVAPI SKF_GenExtECCKeyPair(DEVHANDLE hDev, ECCPUBLICKEYBLOB *pPubKey, ECCPRIVATEKEYBLOB *pPriKey);
SKF_EXPORT ULONG DEVAPI SKF_ExtECCSign(DEVHANDLE hDev, ECCPRIVATEKEYBLOB *pECCPriKeyBlob, BYTE *pbData,
                                       ULONG ulDataLen, PECCSIGNATUREBLOB pSignature);
SKF_EXPORT ULONG DEVAPI SKF_ExtECCDecrypt(DEVHANDLE hDev, ECCPRIVATEKEYBLOB *pECCPriKeyBlob,
                                          PECCCIPHERBLOB pCipherText, BYTE *pbPlainText, ULONG *pulPlainTextLen);

/* ---- RSA ---------------------------------------------------------------- */

SKF_EXPORT ULONG DEVAPI SKF_GenRSAKeyPair(HCONTAINER hContainer, ULONG ulBitsLen, RSAPUBLICKEYBLOB *pBlob);
SKF_EXPORT ULONG DEVAPI SKF_GenRSAKeyPairEx(HCONTAINER hContainer, ULONG ulKeySpec, ULONG ulBitsLen,
                                            RSAPUBLICKEYBLOB *pBlob);
SKF_EXPORT ULONG DEVAPI SKF_ImportRSAKeyPair(HCONTAINER hContainer, ULONG ulSymAlgId, BYTE *pbWrappedKey,
                                             ULONG ulWrappedKeyLen, BYTE *pbEncryptedData, ULONG ulEncryptedDataLen);
SKF_EXPORT ULONG DEVAPI SKF_ImportRSAKeyPairDER(HCONTAINER hContainer, ULONG ulSymAlgId, BYTE *pbWrappedKey,
                                                ULONG ulWrappedKeyLen, BYTE *pbEncryptedData,
                                                ULONG ulEncryptedDataLen);
SKF_EXPORT ULONG DEVAPI SKF_ImportExtRSAKeyPair(HCONTAINER hContainer, ULONG ulKeySpec, RSAPRIVATEKEYBLOB *pPriKey);
SKF_EXPORT ULONG DEVAPI SKF_RSASignData(HCONTAINER hContainer, BYTE *pbData, ULONG ulDataLen, BYTE *pbSignature,
                                        ULONG *pulSignLen);
SKF_EXPORT ULONG DEVAPI SKF_RSASignEx(HCONTAINER hContainer, ULONG ulKeySpec, ULONG ulHashAlgId, BYTE *pbData,
                                      ULONG ulDataLen, BYTE *pbSignature, ULONG *pulSignLen);
SKF_EXPORT ULONG DEVAPI SKF_RSAVerify(DEVHANDLE hDev, RSAPUBLICKEYBLOB *pRSAPubKeyBlob, BYTE *pbData, ULONG ulDataLen,
                                      BYTE *pbSignature, ULONG ulSignLen);
SKF_EXPORT ULONG DEVAPI SKF_ExtRSAVerify(DEVHANDLE hDev, RSAPUBLICKEYBLOB *pRSAPubKeyBlob, ULONG ulHashAlgId,
                                         BYTE *pbData, ULONG ulDataLen, BYTE *pbSignature, ULONG ulSignLen);
SKF_EXPORT ULONG DEVAPI SKF_RSAVerifyEx(HCONTAINER hContainer, ULONG ulKeySpec, ULONG ulHashAlgId, BYTE *pbData,
                                        ULONG ulDataLen, BYTE *pbSignature, ULONG ulSignLen);
SKF_EXPORT ULONG DEVAPI SKF_RSAExportSessionKey(HCONTAINER hContainer, ULONG ulAlgId, RSAPUBLICKEYBLOB *pPubKey,
                                                BYTE *pbData, ULONG *pulDataLen, HANDLE *phSessionKey);
SKF_EXPORT ULONG DEVAPI SKF_RSAExportSessionKeyByHandle(HANDLE hSessionKey, RSAPUBLICKEYBLOB *pPubKey, BYTE *pbData,
                                                        ULONG *pulDataLen);
SKF_EXPORT ULONG DEVAPI SKF_RSAPublicOperation(HCONTAINER hContainer, ULONG ulKeySpec, BYTE *pbInput,
                                               ULONG ulInputLen, BYTE *pbOutput, ULONG *pulOutputLen);
SKF_EXPORT ULONG DEVAPI SKF_RSAPrivateOperation(HCONTAINER hContainer, ULONG ulKeySpec, BYTE *pbInput,
                                                ULONG ulInputLen, BYTE *pbOutput, ULONG *pulOutputLen);
SKF_EXPORT ULONG DEVAPI SKF_RSAEncrypt(HCONTAINER hContainer, ULONG ulKeySpec, BYTE *pbInput, ULONG ulInputLen,
                                       BYTE *pbOutput, ULONG *pulOutputLen);
SKF_EXPORT ULONG DEVAPI SKF_RSADecrypt(HCONTAINER hContainer, ULONG ulKeySpec, BYTE *pbInput, ULONG ulInputLen,
                                       BYTE *pbOutput, ULONG *pulOutputLen);
SKF_EXPORT ULONG DEVAPI SKF_RSAPrvKeyDecrypt(HCONTAINER hContainer, BYTE *pbInput, ULONG ulInputLen, BYTE *pbOutput,
                                             ULONG *pulOutputLen);
SKF_EXPORT ULONG DEVAPI SKF_ExtRSAPubKeyOperation(DEVHANDLE hDev, RSAPUBLICKEYBLOB *pRSAPubKeyBlob, BYTE *pbInput,
                                                  ULONG ulInputLen, BYTE *pbOutput, ULONG *pulOutputLen);
SKF_EXPORT ULONG DEVAPI SKF_ExtRSAEncrypt(DEVHANDLE hDev, RSAPUBLICKEYBLOB *pRSAPubKeyBlob, BYTE *pbInput,
                                          ULONG ulInputLen, BYTE *pbOutput, ULONG *pulOutputLen);
SKF_EXPORT ULONG DEVAPI SKF_GenExtRSAKey(DEVHANDLE hDev, ULONG ulBitsLen, RSAPRIVATEKEYBLOB *pBlob);
SKF_EXPORT ULONG DEVAPI SKF_ExtRSAPriKeyOperation(DEVHANDLE hDev, RSAPRIVATEKEYBLOB *pRSAPriKeyBlob, BYTE *pbInput,
                                                  ULONG ulInputLen, BYTE *pbOutput, ULONG *pulOutputLen);
SKF_EXPORT ULONG DEVAPI SKF_RSASignDataInteractive(HCONTAINER hContainer, ULONG ulKeySpec, ULONG ulHashAlgId,
                                                   BYTE *pbData, ULONG ulDataLen, ULONG ulWaitCount,
                                                   BYTE *pbSignature, ULONG *pulSignLen);
SKF_EXPORT ULONG DEVAPI SKF_RSASignDataInteractiveCancel(HCONTAINER hContainer, ULONG ulKeySpec, ULONG ulHashAlgId);

/* ---- Session keys and symmetric ciphers ---------------------------------- */

SKF_EXPORT ULONG DEVAPI SKF_GenerateSessionKey(HCONTAINER hContainer, ULONG ulAlgId, HANDLE *phSessionKey);
SKF_EXPORT ULONG DEVAPI SKF_GenerateKey(HCONTAINER hContainer, ULONG ulAlgId, HANDLE *phSessionKey);
SKF_EXPORT ULONG DEVAPI SKF_SetSessionKey(HCONTAINER hContainer, BYTE *pbKey, ULONG ulAlgId, HANDLE *phSessionKey);
SKF_EXPORT ULONG DEVAPI SKF_SetSymmKey(DEVHANDLE hDev, BYTE *pbKey, ULONG ulAlgId, HANDLE *phKey);
SKF_EXPORT ULONG DEVAPI SKF_SetSessionKeyFromFile(HAPPLICATION hApplication, LPSTR szFileName, ULONG ulKeySpec,
                                                  ULONG ulReserved, ULONG ulAlgId, HANDLE *phSessionKey);
SKF_EXPORT ULONG DEVAPI SKF_ImportSessionKey(HCONTAINER hContainer, ULONG ulAlgId, BYTE *pbWrapedData,
                                             ULONG ulWrapedLen, HANDLE *phKey);
SKF_EXPORT ULONG DEVAPI SKF_ImportSessionKeyEx(HCONTAINER hContainer, ULONG ulKeySpec, ULONG ulAlgId,
                                               BYTE *pbWrapedData, ULONG ulWrapedLen, HANDLE *phKey);
SKF_EXPORT ULONG DEVAPI SKF_ClearSymmKey(DEVHANDLE hDev);
SKF_EXPORT ULONG DEVAPI SKF_EncryptInit(HANDLE hKey, BLOCKCIPHERPARAM EncryptParam);
SKF_EXPORT ULONG DEVAPI SKF_Encrypt(HANDLE hKey, BYTE *pbData, ULONG ulDataLen, BYTE *pbEncryptedData,
                                    ULONG *pulEncryptedLen);
SKF_EXPORT ULONG DEVAPI SKF_EncryptUpdate(HANDLE hKey, BYTE *pbData, ULONG ulDataLen, BYTE *pbEncryptedData,
                                          ULONG *pulEncryptedLen);
SKF_EXPORT ULONG DEVAPI SKF_EncryptFinal(HANDLE hKey, BYTE *pbEncryptedData, ULONG *pulEncryptedDataLen);
SKF_EXPORT ULONG DEVAPI SKF_DecryptInit(HANDLE hKey, BLOCKCIPHERPARAM DecryptParam);
SKF_EXPORT ULONG DEVAPI SKF_Decrypt(HANDLE hKey, BYTE *pbEncryptedData, ULONG ulEncryptedLen, BYTE *pbData,
                                    ULONG *pulDataLen);
SKF_EXPORT ULONG DEVAPI SKF_DecryptUpdate(HANDLE hKey, BYTE *pbEncryptedData, ULONG ulEncryptedLen, BYTE *pbData,
                                          ULONG *pulDataLen);
SKF_EXPORT ULONG DEVAPI SKF_DecryptFinal(HANDLE hKey, BYTE *pbDecryptedData, ULONG *pulDecryptedDataLen);

/* ---- Digests and MACs ----------------------------------------------------- */

SKF_EXPORT ULONG DEVAPI SKF_DigestInit(DEVHANDLE hDev, ULONG ulAlgID, ECCPUBLICKEYBLOB *pPubKey, BYTE *pucID,
                                       ULONG ulIDLen, HANDLE *phHash);
SKF_EXPORT ULONG DEVAPI SKF_DigestInit_Display(DEVHANDLE hDev, ULONG ulAlgID, ECCPUBLICKEYBLOB *pPubKey, BYTE *pucID,
                                               ULONG ulIDLen, HANDLE *phHash);
SKF_EXPORT ULONG DEVAPI SKF_Digest(HANDLE hHash, BYTE *pbData, ULONG ulDataLen, BYTE *pbHashData, ULONG *pulHashLen);
SKF_EXPORT ULONG DEVAPI SKF_DigestUpdate(HANDLE hHash, BYTE *pbData, ULONG ulDataLen);
SKF_EXPORT ULONG DEVAPI SKF_DigestUpdate_Display(HANDLE hHash, BYTE *pbData, ULONG ulDataLen);
SKF_EXPORT ULONG DEVAPI SKF_DigestFinal(HANDLE hHash, BYTE *pHashData, ULONG *pulHashLen);
SKF_EXPORT ULONG DEVAPI SKF_DigestFile(HANDLE hHash, HAPPLICATION hApplication, LPSTR szFileName, ULONG ulOffset);
SKF_EXPORT ULONG DEVAPI SKF_MacInit(HANDLE hKey, BLOCKCIPHERPARAM *pMacParam, HANDLE *phMac);
SKF_EXPORT ULONG DEVAPI SKF_Mac(HANDLE hMac, BYTE *pbData, ULONG ulDataLen, BYTE *pbMacData, ULONG *pulMacLen);
SKF_EXPORT ULONG DEVAPI SKF_MacUpdate(HANDLE hMac, BYTE *pbData, ULONG ulDataLen);
SKF_EXPORT ULONG DEVAPI SKF_MacFinal(HANDLE hMac, BYTE *pbMacData, ULONG *pulMacDataLen);
SKF_EXPORT ULONG DEVAPI SKF_CloseHandle(HANDLE hHandle);

/* ---- Fingerprints ----------------------------------------------------------- */

SKF_EXPORT ULONG DEVAPI SKF_InitializeFinger(HAPPLICATION hApplication, ULONG ulA, ULONG ulB, ULONG ulC, ULONG ulD);
SKF_EXPORT ULONG DEVAPI SKF_InitializeFingerEx(HAPPLICATION hApplication, ULONG ulA, ULONG ulB, ULONG ulC, ULONG ulD,
                                               ULONG ulE, ULONG ulF);
SKF_EXPORT ULONG DEVAPI SKF_EnrollFingerInit(HAPPLICATION hApplication, ULONG ulUserType, ULONG ulFingerId);
SKF_EXPORT ULONG DEVAPI SKF_EnrollFinger(HAPPLICATION hApplication, ULONG ulUserType, ULONG ulFingerId,
                                         ULONG *pulStep);
SKF_EXPORT ULONG DEVAPI SKF_VerifyFingerInit(HAPPLICATION hApplication, ULONG ulUserType);
SKF_EXPORT ULONG DEVAPI SKF_VerifyFinger(HAPPLICATION hApplication, ULONG ulUserType, ULONG *pulMatched,
                                         ULONG *pulRetryCount);
SKF_EXPORT ULONG DEVAPI SKF_TestFinger(HAPPLICATION hApplication, ULONG ulUserType, ULONG *pulResult);
SKF_EXPORT ULONG DEVAPI SKF_QueryFinger(HAPPLICATION hApplication, ULONG ulUserType, ULONG *pulFingerId,
                                        BYTE *pbDescriptor, CHAR *szContainerName, ULONG *pulValue);
SKF_EXPORT ULONG DEVAPI SKF_VerifyContainerFingerInit(HAPPLICATION hApplication, ULONG ulUserType,
                                                      HCONTAINER hContainer, ULONG ulFingerId);
SKF_EXPORT ULONG DEVAPI SKF_VerifyContainerFinger(HAPPLICATION hApplication, ULONG ulUserType, HCONTAINER hContainer,
                                                  ULONG ulFingerId, ULONG *pulMatched, ULONG *pulRetryCount);
SKF_EXPORT ULONG DEVAPI SKF_VerifyFingersInit(HAPPLICATION hApplication, ULONG ulUserType, ULONG ulCount,
                                              ULONG ulFingerList);
SKF_EXPORT ULONG DEVAPI SKF_VerifyFingers(HAPPLICATION hApplication, ULONG ulUserType, ULONG ulCount,
                                          ULONG ulFingerList, ULONG *pulMatched, ULONG *pulRetryCount);
SKF_EXPORT ULONG DEVAPI SKF_DeleteFinger(HAPPLICATION hApplication, ULONG ulUserType, ULONG ulFingerId);
SKF_EXPORT ULONG DEVAPI SKF_GetFingerDescriptor(HAPPLICATION hApplication, ULONG ulUserType, ULONG ulIndex,
                                                BYTE *pbDescriptor, CHAR *szContainerName, ULONG *pulValue);
SKF_EXPORT ULONG DEVAPI SKF_SetFingerDescriptor(HAPPLICATION hApplication, ULONG ulUserType, ULONG ulFingerId,
                                                BYTE *pbDescriptor, HCONTAINER hContainer, ULONG ulValue);
SKF_EXPORT ULONG DEVAPI SKF_GetFingerInfo(HAPPLICATION hApplication, ULONG ulUserType, ULONG *pulValue1,
                                          ULONG *pulValue2, ULONG *pulValue3, ULONG *pulValue4, BYTE *pbData,
                                          ULONG *pulDataLen);
SKF_EXPORT ULONG DEVAPI SKF_CleanAllFingers(DEVHANDLE hDev);
SKF_EXPORT ULONG DEVAPI SKF_UnblockFinger(HAPPLICATION hApplication, ULONG ulUserType);
SKF_EXPORT ULONG DEVAPI SKF_EnableFinger(HAPPLICATION hApplication, ULONG ulUserType, ULONG ulSwitch);
SKF_EXPORT ULONG DEVAPI SKF_CancelEnrollFinger(HAPPLICATION hApplication);
SKF_EXPORT ULONG DEVAPI SKF_CancelVerifyFinger(HAPPLICATION hApplication);

/* ---- Vendor extensions ----------------------------------------------------- */

/* Reads the token's raw hardware serial number (size-query convention). */
SKF_EXPORT ULONG DEVAPI XKF_GetRawHWSN(DEVHANDLE hDev, BYTE *pbData, ULONG *pulLen);
/* Device information (294-byte DEVINFO) plus the capability and flag words. */
SKF_EXPORT ULONG DEVAPI XKF_GetDeviceCaps(DEVHANDLE hDev, BYTE *pbDevInfo, ULONG *pulCaps, ULONG *pulFlags);
SKF_EXPORT ULONG DEVAPI XKF_WriteOemInfo(DEVHANDLE hDev, ULONG ulOffset, ULONG ulLen, BYTE *pbData);
/* Replaces the device filter (at most 1024 characters) and the accepted OEM
 * identifiers (comma-separated, at most 64 characters, or "*" for any); an
 * empty or null argument keeps the current value, a longer one is refused
 * with SAR_INVALIDPARAMERR. Meant to be called before other use. */
SKF_EXPORT ULONG DEVAPI XKF_SetEnumDeviceString(LPSTR szEnumString, LPSTR szOemIds);
/* Adopts a device the caller opened itself. On Linux hOsDevice carries an
 * open file descriptor: (HANDLE)(intptr_t)fd. */
SKF_EXPORT ULONG DEVAPI XKF_AddConnectedDev(LPSTR szPath, HANDLE hOsDevice, DEVHANDLE *phDev);
SKF_EXPORT ULONG DEVAPI XKF_SetApplicationExtAtttr(HAPPLICATION hApplication, ULONG ulAttr);
/* Remote unblock response computed on the host from the first 16 bytes of
 * the token's challenge: returns 0; 1 when *pulLen is too small (nothing is
 * written) or the new PIN exceeds 64 characters; SAR_INVALIDPARAMERR for a
 * null argument. */
SKF_EXPORT ULONG DEVAPI XKF_GenRemoteUnlockResponse(BYTE *pbRandom, LPSTR szAdminPin, LPSTR szNewUserPin,
                                                    BYTE *pbResponse, ULONG *pulLen);
SKF_EXPORT ULONG DEVAPI XKF_GenRemoteUnlockResponseEx(BYTE *pbRandom, LPSTR szAdminPin, LPSTR szNewUserPin,
                                                      BYTE *pbResponse, ULONG *pulLen);
/* DER RSA private key (up to 2048 bits) to RSAPRIVATEKEYBLOB: 0, or 1 when
 * the data is not such a key. */
SKF_EXPORT ULONG DEVAPI XKF_X509Der2RSAPRIVATEKEYBLOB(BYTE *pbDer, ULONG ulDerLen, RSAPRIVATEKEYBLOB *pBlob);

#ifdef __cplusplus
}
#endif

#endif /* VELTRAKEY_SKF_H */
