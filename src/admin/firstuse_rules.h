#pragma once

#include <QString>
#include <QStringList>

#include <array>

// Text rules of the first-use windows: the login, the password maintenance,
// the clinic profile and the splash. Plain functions, no windows.
namespace fangji::firstuse {

// The one row of 用户资料, in column order.
struct Profile {
    QString clinic;    // 单位, 门诊名称
    QString address;   // 地址, 门诊地址
    QString telephone; // 电话, 联系电话
    QString user;      // 姓名, 用户姓名

    static constexpr int kFieldCount = 4;
    // The fields by position 0 to 3.
    QString& field(int index);
    const QString& field(int index) const;
    // Each field without leading and trailing blanks.
    Profile trimmed() const;
    bool operator==(const Profile&) const = default;
};

// What the profile window asks of each field, by position.
struct ProfileFieldRule {
    int minLength;        // characters; also how many are selected when too short
    QString enterWarning; // shown when Enter is pressed in a field that is too short
    QString saveWarning;  // shown by the save check
};
const std::array<ProfileFieldRule, Profile::kFieldCount>& profileFieldRules();
// Position of the first field shorter than its minimum, or -1 when all are long enough.
int firstShortProfileField(const Profile& profile);

// The splash's profile text: "使用单位：" clinic, an empty line, then
// "联系电话：" telephone, four blanks, "使用人：" user; lines end in CR LF.
QString splashProfileText(const Profile& profile);

// "标准版 " + major + "." + minor + revision (5.2.0 gives "标准版 5.20").
QString versionText(int major, int minor, int revision);

// The longest user name and password the password window takes, as typed or pasted. The login's
// password box holds as many characters, so a password set here can always be typed there again.
inline constexpr int kUserNameMaxLength = 30;
inline constexpr int kPasswordMaxLength = 30;

// The password window's input check, on the trimmed texts, in its order.
enum class PasswordInputProblem { None, ShortName, ShortPassword, ShortConfirmation, Mismatch };
PasswordInputProblem checkPasswordInput(const QString& name, const QString& password, const QString& confirmation);
// The message the password window shows for a problem ("" for None).
QString passwordInputMessage(PasswordInputProblem problem);

// The login's verdict on an accepted OK press: the pair matched or not, on this attempt (1-based).
// Attempts 1 to 3 admit a matching pair and ask a wrong one to retry; the fourth attempt is the
// last one: it refuses whatever was typed, so the dialog never stays open without a way on.
enum class LoginVerdict { Admit, Retry, Refuse };
inline constexpr int kLoginAttempts = 3;
LoginVerdict judgeLogin(bool matched, int attempt);

} // namespace fangji::firstuse
