#include "protocol/command_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace veltrakey;

using bytes = std::vector<uint8_t>;

bytes serialize(const gm_apdu& apdu) {
  uint32_t length = 0;
  apdu.serialize(nullptr, &length);
  bytes out(length);
  EXPECT_EQ(apdu.serialize(out.data(), &length), 0) << apdu.name();
  out.resize(length);
  return out;
}

// The command headers as the token's documentation lists them, written out
// independently of the library's table. -1 marks a byte the caller gives;
// the probe values below are then expected in it.
struct expected_row {
  cmd id;
  const char* name;
  uint32_t kind;
  int cla, ins, p1, p2;
  int le;  // -1: given by the caller
  uint32_t timeout;
};

constexpr int V = -1;
const expected_row EXPECTED[] = {
    {cmd::set_label, "SetLabel", 0x13, 0x80, 0x02, 0, 0, 0, 0},
    {cmd::get_dev_info, "GetDevInfo", 0x12, 0x80, 0x04, 0, 0, 0, 0},
    {cmd::get_short_dev_info, "GetShortDevInfo", 0x12, 0x80, 0x04, 1, 0, 0, 0},
    {cmd::dev_auth, "DevAuth", 0x13, 0x80, 0x10, 0, V, 0, 0},
    {cmd::change_dev_auth_key_ex, "ChangeDevAuthKeyEx", 0x13, 0xC0, 0x36, 0, 0, 0, 0},
    {cmd::gen_random, "GenRandom", 0x12, 0x80, 0x50, V, 0, V, 0},
    {cmd::get_fs_max_cap, "GetFSMaxCap", 0x12, 0xC0, 0x02, 0, 0, 4, 0},
    {cmd::get_raw_hwsn, "GetRawHWSN", 0x12, 0xC0, 0x04, 0, 0, 0, 0},
    {cmd::read_oem_info, "ReadOemInfo", 0x12, 0xC0, 0x0A, V, V, V, 0},
    {cmd::write_oem_info, "WriteOemInfo", 0x13, 0xC0, 0x0C, V, V, 0, 0},
    {cmd::get_pin_info, "GetPinInfo", 0x14, 0x80, 0x14, 0, V, 3, 0},
    {cmd::change_pin, "ChangePin", 0x13, 0x84, 0x16, 0, V, 0, 0},
    {cmd::verify_pin, "VerifyPin", 0x13, 0x80, 0x18, 0, V, 0, 0},
    {cmd::change_pin_ms, "ChangePin_ms", 0x13, 0x84, 0x16, 1, V, 0, 0},
    {cmd::verify_pin_ms, "VerifyPin_MS", 0x13, 0x80, 0x18, 1, V, 0, 0},
    {cmd::unblock_pin, "UnblockPin", 0x13, 0x84, 0x1A, 0, 0, 0, 0},
    {cmd::unblock_pin_ms, "UnblockPin_MS", 0x13, 0x84, 0x1A, 0, 1, 0, 0},
    {cmd::remote_unblock_pin, "RemoteUnblockPin", 0x13, 0x84, 0x1A, 1, 0, 0, 0},
    {cmd::clear_secure_state, "ClearSecureState", 0x13, 0x80, 0x1C, 0, 0, 0, 0},
    {cmd::create_application, "CreateApplication", 0x13, 0x80, 0x20, 0, 0, 0, 0},
    {cmd::update_application, "UpdateApplication", 0x13, 0xC0, 0x62, 0, 0, 0, 0},
    {cmd::enum_application, "EnumApplication", 0x12, 0x80, 0x22, 0, 0, 0, 0},
    {cmd::delete_application, "DeleteApplication", 0x13, 0x80, 0x24, 0, 0, 0, 10000},
    {cmd::open_application, "OpenApplication", 0x14, 0x80, 0x26, 0, 0, 10, 0},
    {cmd::close_application, "CloseApplication", 0x13, 0x80, 0x28, 0, 0, 0, 0},
    {cmd::get_app_extended_info, "GetAppExtenedInfo", 0x14, 0xC0, 0x60, 0, 0, 0, 0},
    {cmd::create_file, "CreateFile", 0x13, 0x80, 0x30, V, V, 0, 0},
    {cmd::delete_file, "DeleteFile", 0x13, 0x80, 0x32, V, V, 0, 10000},
    {cmd::enum_files, "EnumFiles", 0x12, 0x80, 0x34, V, V, 0, 0},
    {cmd::get_file_info, "GetFileInfo", 0x14, 0x80, 0x36, V, V, 12, 0},
    {cmd::read_file, "ReadFile", 0x14, 0x80, 0x38, 0, 0, V, 0},
    {cmd::write_file, "WriteFile", 0x13, 0x80, 0x3A, 0, 0, 0, 0},
    {cmd::set_mfs_cursor, "SetmFSCursor", 1, 0xC0, 0x52, V, V, 0, 0},
    {cmd::crypt_read_file, "CryptReadFile", 0x14, 0xC0, 0x54, V, 0, V, 0},
    {cmd::crypt_write_file, "CryptWriteFile", 0x13, 0xC0, 0x56, V, 0, 0, 0},
    {cmd::create_container, "CreateContainer", 0x14, 0x80, 0x40, 0, 0, 2, 0},
    {cmd::open_container, "OpenContainer", 0x14, 0x80, 0x42, 0, 0, 2, 0},
    {cmd::close_container, "CloseContainer", 0x13, 0x80, 0x44, 0, 0, 0, 0},
    {cmd::enum_containers, "EnumContainers", 0x13, 0x80, 0x46, 0, 0, 0, 0},
    {cmd::delete_container, "DeleteContainer", 0x13, 0x80, 0x48, 0, 0, 0, 0},
    {cmd::get_container_info, "GetContainerInfo", 0x14, 0x80, 0x4A, 0, 0, 11, 0},
    {cmd::get_container_name, "GetContainerName", 0x14, 0xC0, 0x74, 0, 0, 0, 0},
    {cmd::import_certificate, "ImportCertificate", 0x13, 0x80, 0x4C, 0, 0, 0, 0},
    {cmd::export_certificate, "ExportCertificate", 0x14, 0x80, 0x4E, V, 0, 0, 0},
    {cmd::set_container_ext_info, "SetContainerExtInfo", 0x13, 0xC0, 0x70, V, V, 0, 0},
    {cmd::delete_key_pair, "DeleteKeyPair", 0x13, 0xC0, 0x22, V, 0, 0, 0},
    {cmd::delete_certificate, "DeleteCertificate", 0x13, 0xC0, 0x24, V, 0, 0, 0},
    {cmd::gen_rsa_key_pair, "GenRSAKeyPair", 0x14, 0x80, 0x54, 0, 0, 0, 30000},
    {cmd::import_rsa_key_pair, "ImportRSAKeyPair", 0x13, 0x80, 0x56, 0, 0, 0, 0},
    {cmd::rsa_sign_data, "RSASignData", 0x13, 0x80, 0x58, V, V, 0, 0},
    {cmd::rsa_export_session_key, "RSAExportSessionKey", 0x14, 0x80, 0x5A, 0, 0, 0, 0},
    {cmd::rsa_export_session_key_ex, "RSAExportSessionKeyEx", 0x14, 0x80, 0x5C, 0, 0, 0, 0},
    {cmd::rsa_verify, "RSAVerify", 0x13, 0x80, 0x5E, V, V, 0, 0},
    {cmd::ex_rsa_pub_key_operation, "ExRSAPubKeyOperation", 0x14, 0x80, 0x60, 0, 0, 0, 0},
    {cmd::ex_rsa_pub_key_encrypt, "ExRSAPubKeyEncrypt", 0x14, 0x80, 0x60, 1, 0, 0, 0},
    {cmd::rsa_public, "RSAPublic", 0x14, 0xC0, 0x14, V, 0, 0, 0},
    {cmd::rsa_private, "RSAPrivate", 0x14, 0xC0, 0x16, V, 0, 0, 0},
    {cmd::rsa_encrypt, "RSAEncrypt", 0x14, 0xC0, 0x18, V, 0, 0, 0},
    {cmd::rsa_decrypt, "RSADecrypt", 0x14, 0xC0, 0x1A, V, 0, 0, 0},
    {cmd::rsa_sign_ex, "RSASignEx", 0x14, 0xC0, 0x1C, V, V, 0, 0},
    {cmd::rsa_verify_ex, "RSAVerifyEx", 0x13, 0xC0, 0x1E, V, V, 0, 0},
    {cmd::import_ext_rsa_key_pair, "ImportExtRSAKeyPair", 0x13, 0xC0, 0x20, V, 0, 0, 0},
    {cmd::gen_rsa_key_pair_ex, "GenRSAKeyPairEx", 0x14, 0xC0, 0x26, V, 0, 0, 30000},
    {cmd::gen_ext_rsa_key_pair, "GenExtRSAKeyPair", 0x14, 0xC0, 0x80, 1, 1, 0, 30000},
    {cmd::export_ext_rsa_pub_key, "ExportExtRSAPubKey", 0x12, 0xC0, 0x82, 1, 0, 0, 0},
    {cmd::import_ext_rsa_key_pair_to_ram, "ImportExtRsaKeyPairToRam", 0x13, 0xC0, 0x84, 1, 0, 0, 0},
    {cmd::rsa_operation, "RSAOperation", 0x14, 0xC0, 0x86, V, 0, 0, 0},
    {cmd::rsa_sign_interactive, "RSASignInteractive", 0x14, 0xC0, 0xA0, V, V, 0, 0},
    {cmd::rsa_sign_interactive_cancel, "RSASignInteractiveCancel", 1, 0xC0, 0xA0, V, V, 0, 0},
    {cmd::gen_ecc_key_pair, "GenECCKeyPair", 0x14, 0x80, 0x70, 0, 0, 0, 2000},
    {cmd::import_ecc_key_pair, "ImportECCKeyPair", 0x13, 0x80, 0x72, 0, 0, 0, 0},
    {cmd::ecc_sign_data, "ECCSignData", 0x13, 0x80, 0x74, V, 0, 0, 0},
    {cmd::ecc_verify, "ECCVerify", 0x13, 0x80, 0x76, 0, 0, 0, 0},
    {cmd::ecc_export_session_key, "ECCExportSessionKey", 0x14, 0x80, 0x78, 0, 0, 0, 0},
    {cmd::ex_ecc_encrypt, "ExECCEncrypt", 0x14, 0x80, 0x7A, 0, 0, 0, 0},
    {cmd::ecc_export_session_key_ex, "ECCExportSessionKeyEx", 0x14, 0x80, 0x80, V, 0, 0, 0},
    {cmd::generate_agreement_data_with_ecc, "GenerateAgreementDataWithECC", 0x14, 0x80, 0x82, 0, 0, 0, 0},
    {cmd::generate_agreement_data_and_key_with_ecc, "GenerateAgreementDataAndKeyWithECC", 0x14, 0x80,
     0x84, V, 0, 0, 0},  // timeout checked separately: only the P1 00 form waits 2000
    {cmd::generate_key_with_ecc, "GenerateKeyWithECC", 0x14, 0x80, 0x86, V, 0, 0, 0},
    {cmd::export_public_key, "ExportPublicKey", 0x14, 0x80, 0x88, V, 0, 0, 0},
    {cmd::ecc_pri_decrypt, "ECCPriDecrypt", 0x14, 0xC0, 0x28, V, 0, 0, 0},
    {cmd::ecc_sign_data_ex, "ECCSignDataEx", 0x13, 0xC0, 0x2A, V, V, 0, 0},
    {cmd::import_ext_ecc_key_pair, "ImportExtECCKeyPair", 0x13, 0xC0, 0x2C, V, 0, 0, 0},
    {cmd::gen_ext_sm2_key_pair, "GenExtSM2KeyPair", 0x14, 0xC0, 0x80, 2, 1, 0, 2000},
    {cmd::export_ext_sm2_pub_key, "ExportExtSM2PubKey", 0x12, 0xC0, 0x82, 2, 0, 0, 0},
    {cmd::import_ext_ecc_key_pair_to_ram, "ImportExtECCKeyPairToRam", 0x13, 0xC0, 0x84, 2, 0, 0, 0},
    {cmd::ecc_operation, "ECCOperation", 0x14, 0xC0, 0x88, V, 0, 0, 0},
    {cmd::ecc_sign_data_interactive, "ECCSignDataInteractive", 0x13, 0xC0, 0xA2, V, V, 0, 0},
    {cmd::ecc_sign_data_interactive_cancel, "ECCSignDataInteractiveCancel", 1, 0xC0, 0xA2, V, V, 0, 0},
    {cmd::import_session_key, "ImportSessionKey", 0x14, 0x80, 0xA0, V, 0, 0, 0},
    {cmd::destroy_session_key, "DestroySessionKey", 0x13, 0x80, 0xC4, 0, 0, 0, 0},
    {cmd::generate_session_key, "SetSessionKey", 0x14, 0xC0, 0x10, 0, 0, 0, 0},
    {cmd::set_session_key, "SetSessionKey", 0x14, 0xC0, 0x12, 0, 0, 0, 0},
    {cmd::set_session_key_from_file, "SetSessionKeyFromFile", 0x14, 0xC0, 0x12, 1, 0, 0, 0},
    {cmd::encrypt_init, "EncryptInit", 0x13, 0x80, 0xA4, 0, 0, 0, 0},
    {cmd::encrypt_update, "EncryptUpdate", 0x14, 0x80, 0xA8, 0, 0, 0, 0},
    {cmd::encrypt_final, "EncryptFinal", 0x14, 0x80, 0xAA, 0, 0, 0, 0},
    {cmd::decrypt_init, "DecryptInit", 0x14, 0x80, 0xAC, 0, 0, 0, 0},
    {cmd::decrypt_update, "DecryptUpdate", 0x14, 0x80, 0xB0, 0, 0, 0, 0},
    {cmd::decrypt_final, "DecryptFinal", 0x14, 0x80, 0xB2, 0, 0, 0, 0},
    {cmd::digest_init, "DigestInit", 0x13, 0x80, 0xB4, V, V, 0, 0},  // probed with data
    {cmd::digest, "Digest", 0x14, 0x80, 0xB6, 0, 0, 0, 0},
    {cmd::digest_update, "DigestUpdate", 0x13, 0x80, 0xB8, V, 0, 0, 0},
    {cmd::digest_final, "DigestFinal", 0x14, 0x80, 0xBA, 0, 0, 0, 0},  // probed with data
    {cmd::digest_file_update, "DigestFileUpdate", 0x14, 0xC0, 0x90, 0, 0, V, 0},
    {cmd::mac_init, "MacInit", 0x13, 0x80, 0xBC, 0, 0, 0, 0},
    {cmd::mac_update, "MacUpdate", 0x13, 0x80, 0xC0, 0, 0, 0, 0},
    {cmd::mac_final, "MacFinal", 0x14, 0x80, 0xC2, 0, 0, 16, 0},
    {cmd::create_fingerprint_record, "CreateFingerPrintRecord", 0x13, 0xC0, 0xB0, V, V, 0, 0},
    {cmd::enroll_fingerprint, "EnrollFingerPrint", 0x14, 0xC0, 0xB1, V, V, 0, 0},
    {cmd::verify_fingerprint, "VerifyFingerPrint", 0x14, 0xC0, 0xB2, V, V, 0, 0},
    {cmd::delete_fingerprint, "DeleteFingerPrint", 0x13, 0xC0, 0xB3, V, V, 0, 0},
    {cmd::get_fingerprint_info, "GetFingerPrintInfo", 0x14, 0xC0, 0xB4, 0, V, 0, 0},
    {cmd::get_finger_descriptor, "GetFingerDescriptor", 0x14, 0xC0, 0xB4, V, V, 0, 0},
    {cmd::set_fingerprint_formation, "SetFingerPrintFormation", 0x14, 0xC0, 0xB5, 4, V, 0, 0},
    {cmd::clean_fingerprint, "CleanFingerPrint", 1, 0xC0, 0xB5, 0, 0, 0, 0},
    {cmd::unblock_fingerprint, "UnblockFingerPrint", 0x13, 0xC0, 0xB5, 1, V, 0, 0},
    {cmd::enable_disable_fingerprint_cfg, "EnableDisableFingerPrintCFG", 0x13, 0xC0, 0xB5, V, V, 0, 0},
    {cmd::enroll_verify_cancel, "EnrollVerifyCancel", 1, 0xC0, 0xBC, 0, 0, 0, 0},
    {cmd::verify_fingerprint_ex1, "VerifyFingerPrintEx1", 0x14, 0xC0, 0xBE, V, V, 0, 0},
    {cmd::verify_fingerprint_ex2, "VerifyFingerPrintEx2", 0x14, 0xC0, 0xBF, V, V, 0, 0},
};

TEST(CommandTable, EveryBuilderMatchesTheIndependentTable) {
  ASSERT_EQ(std::size(EXPECTED), command_table().size());
  const uint8_t probe_p1 = 0xA5, probe_p2 = 0x5A;
  const int32_t probe_le = 77;
  const uint8_t probe_data[3] = {1, 2, 3};
  std::set<int> seen;
  for (const expected_row& row : EXPECTED) {
    SCOPED_TRACE(row.name);
    seen.insert(static_cast<int>(row.id));
    const bool header_only = row.kind == 1 || row.kind == 0x12;
    command_args args{probe_p1, probe_p2, {}, probe_le};
    if (!header_only) args.data = probe_data;
    auto apdu = build_command(row.id, args);
    EXPECT_STREQ(apdu->name(), row.name);
    EXPECT_EQ(apdu->kind(), row.kind);
    EXPECT_EQ(apdu->cla(), row.cla);
    EXPECT_EQ(apdu->ins(), row.ins);
    EXPECT_EQ(apdu->p1(), row.p1 == V ? probe_p1 : row.p1);
    EXPECT_EQ(apdu->p2(), row.p2 == V ? probe_p2 : row.p2);
    if (row.kind != 0x13 && row.kind != 1) { EXPECT_EQ(apdu->le(), row.le == V ? probe_le : row.le); }
    if (row.id != cmd::generate_agreement_data_and_key_with_ecc) { EXPECT_EQ(apdu->timeout(), row.timeout); }
    // every command of the table must also serialise
    EXPECT_FALSE(serialize(*apdu).empty());
  }
  EXPECT_EQ(seen.size(), std::size(EXPECTED));
}

TEST(CommandTable, KindFollowsTheData) {
  const uint8_t d[2] = {1, 2};
  EXPECT_EQ(build_command(cmd::digest_init)->kind(), APDU_HEADER_ONLY);
  EXPECT_EQ(build_command(cmd::digest_init, {.data = d})->kind(), APDU_EXT_DATA);
  EXPECT_EQ(build_command(cmd::digest_final)->kind(), APDU_EXT_LE);
  EXPECT_EQ(build_command(cmd::digest_final, {.data = d})->kind(), APDU_EXT_DATA_LE);
}

TEST(CommandTable, AgreementWaitsOnlyInItsPlainForm) {
  EXPECT_EQ(build_command(cmd::generate_agreement_data_and_key_with_ecc, {.p1 = 0})->timeout(), 2000u);
  EXPECT_EQ(build_command(cmd::generate_agreement_data_and_key_with_ecc, {.p1 = 1})->timeout(), 0u);
}

TEST(CommandTable, PublishedExamples) {
  EXPECT_EQ(serialize(*build_command(cmd::read_oem_info, {.p1 = 0x00, .p2 = 0x80, .le = 128})),
            (bytes{0xC0, 0x0A, 0x00, 0x80, 0x00, 0x00, 0x80}));
  const uint8_t app[2] = {0x00, 0x12};
  EXPECT_EQ(serialize(*build_command(cmd::clear_secure_state, {.data = app})),
            (bytes{0x80, 0x1C, 0, 0, 0, 0, 2, 0x00, 0x12}));
  const uint8_t app1[2] = {0x00, 0x01};
  EXPECT_EQ(serialize(*build_command(cmd::get_pin_info, {.p2 = 1, .data = app1})),
            (bytes{0x80, 0x14, 0x00, 0x01, 0, 0, 2, 0x00, 0x01, 0x00, 0x03}));
  const uint8_t ids[6] = {0, 1, 0, 2, 0, 3};
  EXPECT_EQ(serialize(*build_command(cmd::destroy_session_key, {.data = ids})),
            (bytes{0x80, 0xC4, 0, 0, 0, 0, 6, 0, 1, 0, 2, 0, 3}));
}

TEST(CommandTable, EmptyDataPieceFailsValidationInsteadOfGoingOutMalformed) {
  auto apdu = build_command(cmd::write_oem_info);
  uint32_t length = 64;
  uint8_t buf[64];
  EXPECT_EQ(apdu->serialize(buf, &length), APDU_INVALID);
}

}  // namespace
