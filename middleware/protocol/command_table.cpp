#include "protocol/command_table.h"

namespace veltrakey {

namespace {

constexpr int16_t V = CMD_VARIABLE;
constexpr uint32_t K1 = APDU_HEADER_ONLY, K12 = APDU_EXT_LE, K13 = APDU_EXT_DATA,
                   K14 = APDU_EXT_DATA_LE;

// Rows in the order of the cmd enumeration; command_info() checks it.
constexpr command_spec TABLE[] = {
    // device
    {cmd::set_label, "SetLabel", K13, K13, 0x80, 0x02, 0, 0, 0, 0},
    {cmd::get_dev_info, "GetDevInfo", K12, K12, 0x80, 0x04, 0, 0, 0, 0},
    {cmd::get_short_dev_info, "GetShortDevInfo", K12, K12, 0x80, 0x04, 1, 0, 0, 0},
    {cmd::dev_auth, "DevAuth", K13, K13, 0x80, 0x10, 0, V, 0, 0},
    {cmd::change_dev_auth_key_ex, "ChangeDevAuthKeyEx", K13, K13, 0xC0, 0x36, 0, 0, 0, 0},
    {cmd::gen_random, "GenRandom", K12, K12, 0x80, 0x50, V, 0, V, 0},
    {cmd::get_fs_max_cap, "GetFSMaxCap", K12, K12, 0xC0, 0x02, 0, 0, 4, 0},
    {cmd::get_raw_hwsn, "GetRawHWSN", K12, K12, 0xC0, 0x04, 0, 0, 0, 0},
    {cmd::read_oem_info, "ReadOemInfo", K12, K12, 0xC0, 0x0A, V, V, V, 0},
    {cmd::write_oem_info, "WriteOemInfo", K13, K13, 0xC0, 0x0C, V, V, 0, 0},
    // PIN
    {cmd::get_pin_info, "GetPinInfo", K14, K14, 0x80, 0x14, 0, V, 3, 0},
    {cmd::change_pin, "ChangePin", K13, K13, 0x84, 0x16, 0, V, 0, 0},
    {cmd::verify_pin, "VerifyPin", K13, K13, 0x80, 0x18, 0, V, 0, 0},
    {cmd::change_pin_ms, "ChangePin_ms", K13, K13, 0x84, 0x16, 1, V, 0, 0},
    {cmd::verify_pin_ms, "VerifyPin_MS", K13, K13, 0x80, 0x18, 1, V, 0, 0},
    {cmd::unblock_pin, "UnblockPin", K13, K13, 0x84, 0x1A, 0, 0, 0, 0},
    {cmd::unblock_pin_ms, "UnblockPin_MS", K13, K13, 0x84, 0x1A, 0, 1, 0, 0},
    {cmd::remote_unblock_pin, "RemoteUnblockPin", K13, K13, 0x84, 0x1A, 1, 0, 0, 0},
    {cmd::clear_secure_state, "ClearSecureState", K13, K13, 0x80, 0x1C, 0, 0, 0, 0},
    // application
    {cmd::create_application, "CreateApplication", K13, K13, 0x80, 0x20, 0, 0, 0, 0},
    {cmd::update_application, "UpdateApplication", K13, K13, 0xC0, 0x62, 0, 0, 0, 0},
    {cmd::enum_application, "EnumApplication", K12, K12, 0x80, 0x22, 0, 0, 0, 0},
    {cmd::delete_application, "DeleteApplication", K13, K13, 0x80, 0x24, 0, 0, 0, 10000},
    {cmd::open_application, "OpenApplication", K14, K14, 0x80, 0x26, 0, 0, 10, 0},
    {cmd::close_application, "CloseApplication", K13, K13, 0x80, 0x28, 0, 0, 0, 0},
    {cmd::get_app_extended_info, "GetAppExtenedInfo", K14, K14, 0xC0, 0x60, 0, 0, 0, 0},
    // file
    {cmd::create_file, "CreateFile", K13, K13, 0x80, 0x30, V, V, 0, 0},
    {cmd::delete_file, "DeleteFile", K13, K13, 0x80, 0x32, V, V, 0, 10000},
    {cmd::enum_files, "EnumFiles", K12, K12, 0x80, 0x34, V, V, 0, 0},
    {cmd::get_file_info, "GetFileInfo", K14, K14, 0x80, 0x36, V, V, 12, 0},
    {cmd::read_file, "ReadFile", K14, K14, 0x80, 0x38, 0, 0, V, 0},
    {cmd::write_file, "WriteFile", K13, K13, 0x80, 0x3A, 0, 0, 0, 0},
    {cmd::set_mfs_cursor, "SetmFSCursor", K1, K1, 0xC0, 0x52, V, V, 0, 0},
    {cmd::crypt_read_file, "CryptReadFile", K14, K14, 0xC0, 0x54, V, 0, V, 0},
    {cmd::crypt_write_file, "CryptWriteFile", K13, K13, 0xC0, 0x56, V, 0, 0, 0},
    // container and certificate
    {cmd::create_container, "CreateContainer", K14, K14, 0x80, 0x40, 0, 0, 2, 0},
    {cmd::open_container, "OpenContainer", K14, K14, 0x80, 0x42, 0, 0, 2, 0},
    {cmd::close_container, "CloseContainer", K13, K13, 0x80, 0x44, 0, 0, 0, 0},
    {cmd::enum_containers, "EnumContainers", K13, K13, 0x80, 0x46, 0, 0, 0, 0},
    {cmd::delete_container, "DeleteContainer", K13, K13, 0x80, 0x48, 0, 0, 0, 0},
    {cmd::get_container_info, "GetContainerInfo", K14, K14, 0x80, 0x4A, 0, 0, 11, 0},
    {cmd::get_container_name, "GetContainerName", K14, K14, 0xC0, 0x74, 0, 0, 0, 0},
    {cmd::import_certificate, "ImportCertificate", K13, K13, 0x80, 0x4C, 0, 0, 0, 0},
    {cmd::export_certificate, "ExportCertificate", K14, K14, 0x80, 0x4E, V, 0, 0, 0},
    {cmd::set_container_ext_info, "SetContainerExtInfo", K13, K13, 0xC0, 0x70, V, V, 0, 0},
    {cmd::delete_key_pair, "DeleteKeyPair", K13, K13, 0xC0, 0x22, V, 0, 0, 0},
    {cmd::delete_certificate, "DeleteCertificate", K13, K13, 0xC0, 0x24, V, 0, 0, 0},
    // RSA
    {cmd::gen_rsa_key_pair, "GenRSAKeyPair", K14, K14, 0x80, 0x54, 0, 0, 0, 30000},
    {cmd::import_rsa_key_pair, "ImportRSAKeyPair", K13, K13, 0x80, 0x56, 0, 0, 0, 0},
    {cmd::rsa_sign_data, "RSASignData", K13, K13, 0x80, 0x58, V, V, 0, 0},
    {cmd::rsa_export_session_key, "RSAExportSessionKey", K14, K14, 0x80, 0x5A, 0, 0, 0, 0},
    {cmd::rsa_export_session_key_ex, "RSAExportSessionKeyEx", K14, K14, 0x80, 0x5C, 0, 0, 0, 0},
    {cmd::rsa_verify, "RSAVerify", K13, K13, 0x80, 0x5E, V, V, 0, 0},
    {cmd::ex_rsa_pub_key_operation, "ExRSAPubKeyOperation", K14, K14, 0x80, 0x60, 0, 0, 0, 0},
    {cmd::ex_rsa_pub_key_encrypt, "ExRSAPubKeyEncrypt", K14, K14, 0x80, 0x60, 1, 0, 0, 0},
    {cmd::rsa_public, "RSAPublic", K14, K14, 0xC0, 0x14, V, 0, 0, 0},
    {cmd::rsa_private, "RSAPrivate", K14, K14, 0xC0, 0x16, V, 0, 0, 0},
    {cmd::rsa_encrypt, "RSAEncrypt", K14, K14, 0xC0, 0x18, V, 0, 0, 0},
    {cmd::rsa_decrypt, "RSADecrypt", K14, K14, 0xC0, 0x1A, V, 0, 0, 0},
    {cmd::rsa_sign_ex, "RSASignEx", K14, K14, 0xC0, 0x1C, V, V, 0, 0},
    {cmd::rsa_verify_ex, "RSAVerifyEx", K13, K13, 0xC0, 0x1E, V, V, 0, 0},
    {cmd::import_ext_rsa_key_pair, "ImportExtRSAKeyPair", K13, K13, 0xC0, 0x20, V, 0, 0, 0},
    {cmd::gen_rsa_key_pair_ex, "GenRSAKeyPairEx", K14, K14, 0xC0, 0x26, V, 0, 0, 30000},
    {cmd::gen_ext_rsa_key_pair, "GenExtRSAKeyPair", K14, K14, 0xC0, 0x80, 1, 1, 0, 30000},
    {cmd::export_ext_rsa_pub_key, "ExportExtRSAPubKey", K12, K12, 0xC0, 0x82, 1, 0, 0, 0},
    {cmd::import_ext_rsa_key_pair_to_ram, "ImportExtRsaKeyPairToRam", K13, K13, 0xC0, 0x84, 1, 0, 0, 0},
    {cmd::rsa_operation, "RSAOperation", K14, K14, 0xC0, 0x86, V, 0, 0, 0},
    {cmd::rsa_sign_interactive, "RSASignInteractive", K14, K14, 0xC0, 0xA0, V, V, 0, 0},
    {cmd::rsa_sign_interactive_cancel, "RSASignInteractiveCancel", K1, K1, 0xC0, 0xA0, V, V, 0, 0},
    // ECC
    {cmd::gen_ecc_key_pair, "GenECCKeyPair", K14, K14, 0x80, 0x70, 0, 0, 0, 2000},
    {cmd::import_ecc_key_pair, "ImportECCKeyPair", K13, K13, 0x80, 0x72, 0, 0, 0, 0},
    {cmd::ecc_sign_data, "ECCSignData", K13, K13, 0x80, 0x74, V, 0, 0, 0},
    {cmd::ecc_verify, "ECCVerify", K13, K13, 0x80, 0x76, 0, 0, 0, 0},
    {cmd::ecc_export_session_key, "ECCExportSessionKey", K14, K14, 0x80, 0x78, 0, 0, 0, 0},
    {cmd::ex_ecc_encrypt, "ExECCEncrypt", K14, K14, 0x80, 0x7A, 0, 0, 0, 0},
    {cmd::ecc_export_session_key_ex, "ECCExportSessionKeyEx", K14, K14, 0x80, 0x80, V, 0, 0, 0},
    {cmd::generate_agreement_data_with_ecc, "GenerateAgreementDataWithECC", K14, K14, 0x80, 0x82, 0, 0, 0, 0},
    {cmd::generate_agreement_data_and_key_with_ecc, "GenerateAgreementDataAndKeyWithECC", K14, K14,
     0x80, 0x84, V, 0, 0, 2000, timeout_rule::only_when_p1_zero},
    {cmd::generate_key_with_ecc, "GenerateKeyWithECC", K14, K14, 0x80, 0x86, V, 0, 0, 0},
    {cmd::export_public_key, "ExportPublicKey", K14, K14, 0x80, 0x88, V, 0, 0, 0},
    {cmd::ecc_pri_decrypt, "ECCPriDecrypt", K14, K14, 0xC0, 0x28, V, 0, 0, 0},
    {cmd::ecc_sign_data_ex, "ECCSignDataEx", K13, K13, 0xC0, 0x2A, V, V, 0, 0},
    {cmd::import_ext_ecc_key_pair, "ImportExtECCKeyPair", K13, K13, 0xC0, 0x2C, V, 0, 0, 0},
    {cmd::gen_ext_sm2_key_pair, "GenExtSM2KeyPair", K14, K14, 0xC0, 0x80, 2, 1, 0, 2000},
    {cmd::export_ext_sm2_pub_key, "ExportExtSM2PubKey", K12, K12, 0xC0, 0x82, 2, 0, 0, 0},
    {cmd::import_ext_ecc_key_pair_to_ram, "ImportExtECCKeyPairToRam", K13, K13, 0xC0, 0x84, 2, 0, 0, 0},
    {cmd::ecc_operation, "ECCOperation", K14, K14, 0xC0, 0x88, V, 0, 0, 0},
    {cmd::ecc_sign_data_interactive, "ECCSignDataInteractive", K13, K13, 0xC0, 0xA2, V, V, 0, 0},
    {cmd::ecc_sign_data_interactive_cancel, "ECCSignDataInteractiveCancel", K1, K1, 0xC0, 0xA2, V, V, 0, 0},
    // session key and cipher
    {cmd::import_session_key, "ImportSessionKey", K14, K14, 0x80, 0xA0, V, 0, 0, 0},
    {cmd::destroy_session_key, "DestroySessionKey", K13, K13, 0x80, 0xC4, 0, 0, 0, 0},
    {cmd::generate_session_key, "SetSessionKey", K14, K14, 0xC0, 0x10, 0, 0, 0, 0},
    {cmd::set_session_key, "SetSessionKey", K14, K14, 0xC0, 0x12, 0, 0, 0, 0},
    {cmd::set_session_key_from_file, "SetSessionKeyFromFile", K14, K14, 0xC0, 0x12, 1, 0, 0, 0},
    {cmd::encrypt_init, "EncryptInit", K13, K13, 0x80, 0xA4, 0, 0, 0, 0},
    {cmd::encrypt_update, "EncryptUpdate", K14, K14, 0x80, 0xA8, 0, 0, 0, 0},
    {cmd::encrypt_final, "EncryptFinal", K14, K14, 0x80, 0xAA, 0, 0, 0, 0},
    {cmd::decrypt_init, "DecryptInit", K14, K14, 0x80, 0xAC, 0, 0, 0, 0},
    {cmd::decrypt_update, "DecryptUpdate", K14, K14, 0x80, 0xB0, 0, 0, 0, 0},
    {cmd::decrypt_final, "DecryptFinal", K14, K14, 0x80, 0xB2, 0, 0, 0, 0},
    // digest and MAC
    {cmd::digest_init, "DigestInit", K1, K13, 0x80, 0xB4, V, V, 0, 0},
    {cmd::digest, "Digest", K14, K14, 0x80, 0xB6, 0, 0, 0, 0},
    {cmd::digest_update, "DigestUpdate", K13, K13, 0x80, 0xB8, V, 0, 0, 0},
    {cmd::digest_final, "DigestFinal", K12, K14, 0x80, 0xBA, 0, 0, 0, 0},
    {cmd::digest_file_update, "DigestFileUpdate", K14, K14, 0xC0, 0x90, 0, 0, V, 0},
    {cmd::mac_init, "MacInit", K13, K13, 0x80, 0xBC, 0, 0, 0, 0},
    {cmd::mac_update, "MacUpdate", K13, K13, 0x80, 0xC0, 0, 0, 0, 0},
    {cmd::mac_final, "MacFinal", K14, K14, 0x80, 0xC2, 0, 0, 16, 0},
    // fingerprint
    {cmd::create_fingerprint_record, "CreateFingerPrintRecord", K13, K13, 0xC0, 0xB0, V, V, 0, 0},
    {cmd::enroll_fingerprint, "EnrollFingerPrint", K14, K14, 0xC0, 0xB1, V, V, 0, 0},
    {cmd::verify_fingerprint, "VerifyFingerPrint", K14, K14, 0xC0, 0xB2, V, V, 0, 0},
    {cmd::delete_fingerprint, "DeleteFingerPrint", K13, K13, 0xC0, 0xB3, V, V, 0, 0},
    {cmd::get_fingerprint_info, "GetFingerPrintInfo", K14, K14, 0xC0, 0xB4, 0, V, 0, 0},
    {cmd::get_finger_descriptor, "GetFingerDescriptor", K14, K14, 0xC0, 0xB4, V, V, 0, 0},
    {cmd::set_fingerprint_formation, "SetFingerPrintFormation", K14, K14, 0xC0, 0xB5, 4, V, 0, 0},
    {cmd::clean_fingerprint, "CleanFingerPrint", K1, K1, 0xC0, 0xB5, 0, 0, 0, 0},
    {cmd::unblock_fingerprint, "UnblockFingerPrint", K13, K13, 0xC0, 0xB5, 1, V, 0, 0},
    {cmd::enable_disable_fingerprint_cfg, "EnableDisableFingerPrintCFG", K13, K13, 0xC0, 0xB5, V, V, 0, 0},
    {cmd::enroll_verify_cancel, "EnrollVerifyCancel", K1, K1, 0xC0, 0xBC, 0, 0, 0, 0},
    {cmd::verify_fingerprint_ex1, "VerifyFingerPrintEx1", K14, K14, 0xC0, 0xBE, V, V, 0, 0},
    {cmd::verify_fingerprint_ex2, "VerifyFingerPrintEx2", K14, K14, 0xC0, 0xBF, V, V, 0, 0},
};

static_assert(std::size(TABLE) == static_cast<size_t>(cmd::count_), "one row per command");

constexpr bool rows_in_order() {
  for (size_t i = 0; i < std::size(TABLE); ++i)
    if (static_cast<size_t>(TABLE[i].id) != i) return false;
  return true;
}
static_assert(rows_in_order(), "rows follow the cmd enumeration");

uint8_t header_byte(int16_t fixed, uint8_t given) {
  return fixed == CMD_VARIABLE ? given : static_cast<uint8_t>(fixed);
}

}  // namespace

std::span<const command_spec> command_table() { return TABLE; }

const command_spec& command_info(cmd id) { return TABLE[static_cast<size_t>(id)]; }

std::unique_ptr<gm_apdu> build_command(cmd id, const command_args& args) {
  const command_spec& spec = command_info(id);
  const bool with_data = !args.data.empty();
  const uint32_t kind = with_data ? spec.kind_with_data : spec.kind;
  const uint8_t p1 = header_byte(spec.p1, args.p1);
  auto apdu = std::make_unique<gm_apdu>(kind, spec.cla, spec.ins, p1, header_byte(spec.p2, args.p2),
                                        spec.name);
  // Commands whose kind carries data always get a data buffer, so an empty
  // piece fails validation instead of going out malformed.
  if (with_data || (kind & 0x0F) >= 3) apdu->set_data(args.data.data(), args.data.size());
  const int32_t le = spec.le == CMD_VARIABLE ? args.le : spec.le;
  if (le != 0) apdu->set_le(le);
  const bool timed = spec.timeout_when == timeout_rule::always || p1 == 0;
  if (spec.timeout_ms && timed) apdu->set_timeout(spec.timeout_ms);
  return apdu;
}

}  // namespace veltrakey
