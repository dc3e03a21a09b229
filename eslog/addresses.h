// The published addresses the documents carry: namespaces, the e-SLOG 1.6 schema location
// and the e-invoice visualisation stylesheet.
//
// They are the publisher's values and change only when the publisher moves them, so they
// live here, in one place, for every document writer.
#pragma once

#include <string_view>

namespace eracuni::eslog {

inline constexpr std::string_view kXmlDsigNamespace = "http://www.w3.org/2000/09/xmldsig#";
inline constexpr std::string_view kXadesNamespace = "http://uri.etsi.org/01903/v1.1.1#";
inline constexpr std::string_view kXmlSchemaInstanceNamespace =
    "http://www.w3.org/2001/XMLSchema-instance";
inline constexpr std::string_view kXmlSchemaNamespace = "http://www.w3.org/2001/XMLSchema";

inline constexpr std::string_view kEslog16SchemaLocation =
    "http://www.gzs.si/e-poslovanje/sheme/eSLOG_1-6_EnostavniRacun.xsd";
inline constexpr std::string_view kVisualisationStylesheet =
    "http://www.gzs.si/e-poslovanje/dokumentacija/"
    "Vizualizacija_e-SLOG_1.6_prirocnik_verzija_2012_1_4.xslt";

}  // namespace eracuni::eslog
