#pragma once

#include <array>
#include <string_view>

// Names of the calculator window's fields. The engine names the fields its results go to and
// the field an input error sends the focus to; the window registers its controls under the
// same names.
namespace tavrel::engine::fields {

inline constexpr std::string_view M1Fld = "M1Fld";
inline constexpr std::string_view SD1Fld = "SD1Fld";
inline constexpr std::string_view N1Fld = "N1Fld";
inline constexpr std::string_view M2Fld = "M2Fld";
inline constexpr std::string_view SD2Fld = "SD2Fld";
inline constexpr std::string_view N2Fld = "N2Fld";

inline constexpr std::string_view PooledSDFld = "PooledSDFld";
inline constexpr std::string_view MeanDiffFld = "MeanDiffFld";
inline constexpr std::string_view dFld = "dFld";
inline constexpr std::string_view dCorrectFld = "dCorrectFld";
inline constexpr std::string_view HedgesFld = "HedgesFld";
inline constexpr std::string_view sdFld = "sdFld";
inline constexpr std::string_view CLEFFld = "CLEFFld";
inline constexpr std::string_view gFld = "gFld";

// The six inputs in reading order: mean, SD and size of the control group, then of the
// experimental group.
inline constexpr std::array<std::string_view, 6> Inputs = {M1Fld, SD1Fld, N1Fld,
                                                           M2Fld, SD2Fld, N2Fld};

} // namespace tavrel::engine::fields
