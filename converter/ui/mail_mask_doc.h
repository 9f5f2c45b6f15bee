// SPDX-License-Identifier: MIT
// CMailMaskDoc: the document of the single-document program. It holds nothing: the table
// lives in the e-mail list and the settings in the main frame.
#pragma once

namespace orvex::ui {

class CMailMaskDoc {};

} // namespace orvex::ui
