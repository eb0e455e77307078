#pragma once
// Every token command the library sends, kept as data: name, encoding kind,
// header bytes, expected length and transfer timeout.
#include <cstdint>
#include <memory>
#include <span>

#include "protocol/gm_apdu.h"

namespace veltrakey {

enum class cmd : uint16_t {
  // device
  set_label, get_dev_info, get_short_dev_info, dev_auth, change_dev_auth_key_ex, gen_random,
  get_fs_max_cap, get_raw_hwsn, read_oem_info, write_oem_info,
  // PIN
  get_pin_info, change_pin, verify_pin, change_pin_ms, verify_pin_ms, unblock_pin, unblock_pin_ms,
  remote_unblock_pin, clear_secure_state,
  // application
  create_application, update_application, enum_application, delete_application, open_application,
  close_application, get_app_extended_info,
  // file
  create_file, delete_file, enum_files, get_file_info, read_file, write_file, set_mfs_cursor,
  crypt_read_file, crypt_write_file,
  // container and certificate
  create_container, open_container, close_container, enum_containers, delete_container,
  get_container_info, get_container_name, import_certificate, export_certificate,
  set_container_ext_info, delete_key_pair, delete_certificate,
  // RSA
  gen_rsa_key_pair, import_rsa_key_pair, rsa_sign_data, rsa_export_session_key,
  rsa_export_session_key_ex, rsa_verify, ex_rsa_pub_key_operation, ex_rsa_pub_key_encrypt,
  rsa_public, rsa_private, rsa_encrypt, rsa_decrypt, rsa_sign_ex, rsa_verify_ex,
  import_ext_rsa_key_pair, gen_rsa_key_pair_ex, gen_ext_rsa_key_pair, export_ext_rsa_pub_key,
  import_ext_rsa_key_pair_to_ram, rsa_operation, rsa_sign_interactive, rsa_sign_interactive_cancel,
  // ECC
  gen_ecc_key_pair, import_ecc_key_pair, ecc_sign_data, ecc_verify, ecc_export_session_key,
  ex_ecc_encrypt, ecc_export_session_key_ex, generate_agreement_data_with_ecc,
  generate_agreement_data_and_key_with_ecc, generate_key_with_ecc, export_public_key,
  ecc_pri_decrypt, ecc_sign_data_ex, import_ext_ecc_key_pair, gen_ext_sm2_key_pair,
  export_ext_sm2_pub_key, import_ext_ecc_key_pair_to_ram, ecc_operation,
  ecc_sign_data_interactive, ecc_sign_data_interactive_cancel,
  // session key and cipher
  import_session_key, destroy_session_key, generate_session_key, set_session_key,
  set_session_key_from_file, encrypt_init, encrypt_update, encrypt_final, decrypt_init,
  decrypt_update, decrypt_final,
  // digest and MAC
  digest_init, digest, digest_update, digest_final, digest_file_update, mac_init, mac_update,
  mac_final,
  // fingerprint
  create_fingerprint_record, enroll_fingerprint, verify_fingerprint, delete_fingerprint,
  get_fingerprint_info, get_finger_descriptor, set_fingerprint_formation, clean_fingerprint,
  unblock_fingerprint, enable_disable_fingerprint_cfg, enroll_verify_cancel,
  verify_fingerprint_ex1, verify_fingerprint_ex2,
  count_
};

// A header byte or expected length that the caller supplies.
inline constexpr int16_t CMD_VARIABLE = -1;

enum class timeout_rule : uint8_t { always, only_when_p1_zero };

struct command_spec {
  cmd id;
  const char* name;
  uint32_t kind;            // kind without command data
  uint32_t kind_with_data;  // kind when the caller gives data
  uint8_t cla;
  uint8_t ins;
  int16_t p1;               // CMD_VARIABLE: from the caller
  int16_t p2;
  int32_t le;               // CMD_VARIABLE: from the caller; 0: none
  uint32_t timeout_ms;
  timeout_rule timeout_when = timeout_rule::always;
};

struct command_args {
  uint8_t p1 = 0;
  uint8_t p2 = 0;
  std::span<const uint8_t> data = {};
  int32_t le = 0;  // used only where the table says the caller gives it
};

std::span<const command_spec> command_table();
const command_spec& command_info(cmd id);

// A new record for the command, its variable parts filled from args.
std::unique_ptr<gm_apdu> build_command(cmd id, const command_args& args = {});

}  // namespace veltrakey
