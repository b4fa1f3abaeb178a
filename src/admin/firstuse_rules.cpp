#include "firstuse_rules.h"

namespace fangji::firstuse {

QString& Profile::field(int index) {
    switch (index) {
    case 0:
        return clinic;
    case 1:
        return address;
    case 2:
        return telephone;
    default:
        return user;
    }
}

const QString& Profile::field(int index) const {
    return const_cast<Profile*>(this)->field(index);
}

Profile Profile::trimmed() const {
    return {clinic.trimmed(), address.trimmed(), telephone.trimmed(), user.trimmed()};
}

const std::array<ProfileFieldRule, Profile::kFieldCount>& profileFieldRules() {
    static const std::array<ProfileFieldRule, Profile::kFieldCount> rules = {{
        {4, QStringLiteral("请输入门诊名称全称"), QStringLiteral("请输入门诊名称全称")},
        {4, QStringLiteral("请输入门诊的详细地址"), QStringLiteral("请输入门诊详细地址")},
        {7, QStringLiteral("请输入门诊对外联系电话"), QStringLiteral("请输入门诊对外电话")},
        {2, QStringLiteral("请输入使用者的姓名"), QStringLiteral("请输入系统用户名称")},
    }};
    return rules;
}

int firstShortProfileField(const Profile& profile) {
    const auto& rules = profileFieldRules();
    for (int i = 0; i < Profile::kFieldCount; ++i) {
        if (profile.field(i).size() < rules[i].minLength) {
            return i;
        }
    }
    return -1;
}

QString splashProfileText(const Profile& profile) {
    return QStringLiteral("使用单位：") + profile.clinic + QStringLiteral("\r\n\r\n") + QStringLiteral("联系电话：") +
           profile.telephone + QStringLiteral("    使用人：") + profile.user;
}

QString versionText(int major, int minor, int revision) {
    return QStringLiteral("标准版 ") + QString::number(major) + u'.' + QString::number(minor) +
           QString::number(revision);
}

PasswordInputProblem checkPasswordInput(const QString& name, const QString& password, const QString& confirmation) {
    if (name.size() <= 1) {
        return PasswordInputProblem::ShortName;
    }
    if (password.size() < 4) {
        return PasswordInputProblem::ShortPassword;
    }
    if (confirmation.size() < 4) {
        return PasswordInputProblem::ShortConfirmation;
    }
    if (password != confirmation) {
        return PasswordInputProblem::Mismatch;
    }
    return PasswordInputProblem::None;
}

QString passwordInputMessage(PasswordInputProblem problem) {
    switch (problem) {
    case PasswordInputProblem::None:
        return {};
    case PasswordInputProblem::ShortName:
        return QStringLiteral("请输二位字符以上的用户名称");
    case PasswordInputProblem::ShortPassword:
    case PasswordInputProblem::ShortConfirmation:
        return QStringLiteral("请输入4位以上字符的密码");
    case PasswordInputProblem::Mismatch:
        return QStringLiteral("新密码两次输入有误，重新输入。");
    }
    return {};
}

LoginVerdict judgeLogin(bool matched, int attempt) {
    if (attempt > kLoginAttempts) {
        return LoginVerdict::Refuse;
    }
    return matched ? LoginVerdict::Admit : LoginVerdict::Retry;
}

} // namespace fangji::firstuse
