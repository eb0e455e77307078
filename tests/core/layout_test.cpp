// Structure layouts are shared with other processes byte for byte.
#include <gtest/gtest.h>

#include <cstddef>

#include "skf.h"

namespace {

struct layout_row {
  const char* what;
  size_t actual;
  size_t expected;
};

TEST(StructureLayout, SizesAndOffsetsMatchTheInterface) {
  const layout_row rows[] = {
      {"sizeof DEVINFO", sizeof(DEVINFO), 294},
      {"DEVINFO.Manufacturer", offsetof(DEVINFO, Manufacturer), 2},
      {"DEVINFO.Issuer", offsetof(DEVINFO, Issuer), 66},
      {"DEVINFO.Label", offsetof(DEVINFO, Label), 130},
      {"DEVINFO.SerialNumber", offsetof(DEVINFO, SerialNumber), 162},
      {"DEVINFO.HWVersion", offsetof(DEVINFO, HWVersion), 194},
      {"DEVINFO.FirmwareVersion", offsetof(DEVINFO, FirmwareVersion), 196},
      {"DEVINFO.AlgSymCap", offsetof(DEVINFO, AlgSymCap), 198},
      {"DEVINFO.AlgHashCap", offsetof(DEVINFO, AlgHashCap), 206},
      {"DEVINFO.TotalSpace", offsetof(DEVINFO, TotalSpace), 214},
      {"DEVINFO.MaxECCBufferSize", offsetof(DEVINFO, MaxECCBufferSize), 222},
      {"DEVINFO.MaxBufferSize", offsetof(DEVINFO, MaxBufferSize), 226},
      {"DEVINFO.Reserved", offsetof(DEVINFO, Reserved), 230},
      {"sizeof ECCPUBLICKEYBLOB", sizeof(ECCPUBLICKEYBLOB), 132},
      {"ECCPUBLICKEYBLOB.YCoordinate", offsetof(ECCPUBLICKEYBLOB, YCoordinate), 68},
      {"sizeof ECCPRIVATEKEYBLOB", sizeof(ECCPRIVATEKEYBLOB), 68},
      {"ECCCIPHERBLOB.HASH", offsetof(ECCCIPHERBLOB, HASH), 128},
      {"ECCCIPHERBLOB.CipherLen", offsetof(ECCCIPHERBLOB, CipherLen), 160},
      {"ECCCIPHERBLOB.Cipher", offsetof(ECCCIPHERBLOB, Cipher), 164},
      {"sizeof ECCSIGNATUREBLOB", sizeof(ECCSIGNATUREBLOB), 128},
      {"ECCSIGNATUREBLOB.s", offsetof(ECCSIGNATUREBLOB, s), 64},
      {"ENVELOPEDKEYBLOB.ulBits", offsetof(ENVELOPEDKEYBLOB, ulBits), 8},
      {"ENVELOPEDKEYBLOB.PubKey", offsetof(ENVELOPEDKEYBLOB, PubKey), 76},
      {"ENVELOPEDKEYBLOB.ECCCipherBlob", offsetof(ENVELOPEDKEYBLOB, ECCCipherBlob), 208},
      {"ENVELOPEDKEYBLOB cipher length", offsetof(ENVELOPEDKEYBLOB, ECCCipherBlob.CipherLen), 368},
      {"ENVELOPEDKEYBLOB cipher bytes", offsetof(ENVELOPEDKEYBLOB, ECCCipherBlob.Cipher), 372},
      {"sizeof RSAPUBLICKEYBLOB", sizeof(RSAPUBLICKEYBLOB), 268},
      {"RSAPUBLICKEYBLOB.PublicExponent", offsetof(RSAPUBLICKEYBLOB, PublicExponent), 264},
      {"sizeof RSAPRIVATEKEYBLOB", sizeof(RSAPRIVATEKEYBLOB), 1164},
      {"RSAPRIVATEKEYBLOB.PrivateExponent", offsetof(RSAPRIVATEKEYBLOB, PrivateExponent), 268},
      {"RSAPRIVATEKEYBLOB.Prime2", offsetof(RSAPRIVATEKEYBLOB, Prime2), 652},
      {"RSAPRIVATEKEYBLOB.Coefficient", offsetof(RSAPRIVATEKEYBLOB, Coefficient), 1036},
      {"sizeof BLOCKCIPHERPARAM", sizeof(BLOCKCIPHERPARAM), 44},
      {"BLOCKCIPHERPARAM.PaddingType", offsetof(BLOCKCIPHERPARAM, PaddingType), 36},
      {"sizeof FILEATTRIBUTE", sizeof(FILEATTRIBUTE), 44},
      {"FILEATTRIBUTE.WriteRights", offsetof(FILEATTRIBUTE, WriteRights), 40},
      {"sizeof ULONG", sizeof(ULONG), 4},
      {"sizeof BOOL", sizeof(BOOL), 4},
      {"sizeof HANDLE", sizeof(HANDLE), sizeof(void*)},
  };
  for (const auto& row : rows) EXPECT_EQ(row.actual, row.expected) << row.what;
}

}  // namespace
