// The numbers of the language texts of the key storage, signature, clipboard
// coder and options windows. kToolTextIds lists each of them (beside the
// common ones in TextIds.h) for the test over the shipped language file.
#pragma once
#include <cstdint>

namespace kiv::txt {

inline constexpr int32_t kClose = 6;
inline constexpr int32_t kFileLabel = 20;
inline constexpr int32_t kAddExtensionTitle = 73;
inline constexpr int32_t kExportPasswordTitle = 119;
inline constexpr int32_t kGostHash = 609;
inline constexpr int32_t kLanguageChanged = 820;
inline constexpr int32_t kHashLabel = 1107;
inline constexpr int32_t kCoderEncoded = 2310;
inline constexpr int32_t kCoderDecoded = 2311;

inline constexpr int32_t kToolTextIds[] = {
    6, 20, 73, 119, 609, 820, 1107,
    // options
    1200, 1201, 1202, 1203, 1204, 1205, 1206, 1207, 1208, 1209, 1210, 1211, 1212, 1213, 1214,
    1215, 1216, 1218, 1219, 1220, 1221, 1222,
    // key storage window and key dialogs
    1700, 1701, 1702, 1703, 1704, 1705, 1706, 1707, 1708, 1709, 1710, 1711, 1712, 1713, 1714,
    1715, 1716, 1717, 1718, 1719, 1720, 1721, 1722, 1723, 1724, 1725, 1726, 1727, 1728, 1729,
    1730, 1734, 1757, 1758, 1759, 1760, 1761, 1762, 1763, 1764, 1765, 1766, 1767, 1768, 1769,
    1770, 1771, 1772, 1773, 1774, 1775, 1776, 1777, 1778,
    // signatures
    1735, 1736, 1737, 1738, 1739, 1740, 1741, 1742, 1743, 1744, 1745, 1746, 1747, 1748, 1749,
    1750, 1751, 1752, 1753, 1754, 1755, 1756,
    // clipboard coder
    2301, 2302, 2303, 2304, 2305, 2306, 2307, 2308, 2309, 2310, 2311,
};

}  // namespace kiv::txt
