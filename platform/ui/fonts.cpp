#include "platform/ui/fonts.h"

#include <QFontDatabase>

#include <array>
#include <cstdlib>

namespace korvan::platform {
namespace {

struct FamilyMapping
{
    const char* requested;
    const char* installed;
};

// Windows families the forms use, and their stand-ins here.
constexpr std::array kFamilies{
    FamilyMapping{"宋体", "WenQuanYi Micro Hei"},
    FamilyMapping{"新宋体", "WenQuanYi Micro Hei Mono"},
    FamilyMapping{"SimSun", "WenQuanYi Micro Hei"},
    FamilyMapping{"NSimSun", "WenQuanYi Micro Hei Mono"},
    FamilyMapping{"黑体", "WenQuanYi Micro Hei"},
    FamilyMapping{"SimHei", "WenQuanYi Micro Hei"},
    FamilyMapping{"微软雅黑", "WenQuanYi Micro Hei"},
    FamilyMapping{"Microsoft YaHei", "WenQuanYi Micro Hei"},
    FamilyMapping{"MS Shell Dlg", "WenQuanYi Micro Hei"},
    FamilyMapping{"MS Sans Serif", "WenQuanYi Micro Hei"},
};

} // namespace

QString mapFontFamily(const QString& family)
{
    for (const FamilyMapping& mapping : kFamilies) {
        if (family.compare(QString::fromUtf8(mapping.requested), Qt::CaseInsensitive) == 0) {
            const QString installed = QString::fromUtf8(mapping.installed);
            if (QFontDatabase::hasFamily(installed))
                return installed;
            // The mono variant ships in the same file; fall back to the plain one.
            if (QFontDatabase::hasFamily(QStringLiteral("WenQuanYi Micro Hei")))
                return QStringLiteral("WenQuanYi Micro Hei");
            return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
        }
    }
    return family;
}

QFont logicalFont(const QString& family, int height, int weight)
{
    QFont font(mapFontFamily(family));
    // A cell height includes the internal leading, about a fifth of it.
    const int pixels = height < 0 ? -height : (height > 0 ? height * 4 / 5 : 12);
    font.setPixelSize(pixels > 0 ? pixels : 12);
    font.setWeight(static_cast<QFont::Weight>(weight > 0 ? weight : 400));
    return font;
}

QFont dialogFont()
{
    return logicalFont(QStringLiteral("宋体"), -12, 400);
}

} // namespace korvan::platform
