/*
 * Ravenet: modal PIN dialogs for programs that need PINs from the user.
 *
 * Every PIN buffer belongs to the caller. Every length is in/out: on entry the
 * buffer's capacity in bytes, on return the number of bytes stored. PINs are
 * the GBK bytes of the entered text, stored without a terminating NUL.
 * A length pointer must not be NULL, and a buffer may be NULL only with a
 * capacity of 0; otherwise the call returns RAVENET_FAILED without a dialog.
 *
 * Each call runs its dialog modally on the calling thread. A host without a
 * QApplication gets one for the duration of the call; a host that has one must
 * call from that application's thread.
 */
#ifndef RAVENET_H
#define RAVENET_H

#include <stdint.h>

#define RAVENET_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* Results of every dialog call. */
#define RAVENET_OK 1                      /* OK pressed, outputs filled */
#define RAVENET_CANCELLED 2               /* Cancel, Esc or the close box; outputs untouched */
#define RAVENET_BUFFER_TOO_SMALL 0x100011 /* OK pressed, an output buffer is too small */
#define RAVENET_FAILED (-1)               /* no dialog could be shown, or bad arguments */

/* Default user PIN that the reset dialog stores into its first buffer. */
#define RAVENET_DEFAULT_USER_PIN "907158"

/* Asks for the user PIN (6 to 16 bytes). */
RAVENET_API int Ravenet_ShowDialog(char *pin, uint32_t *pin_len);

/* Asks for the old user PIN and a new one, entered twice. */
RAVENET_API int ModifyPIN_ShowDialog(char *old_pin, uint32_t *old_pin_len,
                                     char *new_pin, uint32_t *new_pin_len);

/* Asks for the administrator PIN and a new user PIN, entered twice. */
RAVENET_API int UnblockPIN_ShowDialog(char *admin_pin, uint32_t *admin_pin_len,
                                      char *new_pin, uint32_t *new_pin_len);

/* Asks for a new user PIN, entered twice. The first buffer receives the
 * default user PIN, the second the new one. */
RAVENET_API int ResetPIN_ShowDialog(char *old_pin, uint32_t *old_pin_len,
                                    char *new_pin, uint32_t *new_pin_len);

#ifdef __cplusplus
}
#endif

#endif /* RAVENET_H */
