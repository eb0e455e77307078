// Every text the dialogs show, in one place.
#pragma once

namespace ravenet::texts {

inline constexpr char kOkButton[] = "确定";
inline constexpr char kCancelButton[] = "取消";
inline constexpr char kErrorCaption[] = "错误";

inline constexpr char kVerifyCaption[] = "验证UKEY用户PIN";
inline constexpr char kModifyCaption[] = "UKEY用户PIN修改";
inline constexpr char kUnblockCaption[] = "解锁UKEY用户PIN";
inline constexpr char kResetCaption[] = "重置UKEY用户PIN";

inline constexpr char kUserPinLabel[] = "用户PIN:";
inline constexpr char kOldPinLabel[] = "请输入旧PIN:";
inline constexpr char kNewPinLabel[] = "请输入新PIN:";
inline constexpr char kAdminPinLabel[] = "管理员PIN:";
inline constexpr char kNewUserPinLabel[] = "请输入用户新PIN:";

inline constexpr char kRetryHint[] = "PIN码输入次数有限制，请输入正确的用户PIN，小心被锁定！";
inline constexpr char kStrengthHint[] = "为保证您的PIN码安全，请设置足够强度的PIN码，并定期更换。";

inline constexpr char kPinLengthMessage[] = "密码长度只能是6位到16位（含）之间!";
inline constexpr char kNewPinLengthMessage[] = "新密码长度只能是6位到16位（含）之间!";
inline constexpr char kOldPinEmptyMessage[] = "旧密码不能为空,请重新输入密码!";
inline constexpr char kPinEmptyMessage[] = "密码不能为空,请重新输入密码!";
inline constexpr char kMismatchMessage[] = "输入的两个新密码不一致!";
inline constexpr char kSameAsOldMessage[] = "输入的新密码与旧密码一致!";
inline constexpr char kDefaultPinRefusedMessage[] = "不允许输入该密码，请重新输入!";

} // namespace ravenet::texts
