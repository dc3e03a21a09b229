#include "eslog/invoice.h"

#include <string>

#include "eslog/addresses.h"
#include "eslog/invoice_sections.h"
#include "framework/cp1250.h"
#include "xml/xml_writer.h"

namespace eracuni::eslog {
namespace {

std::string StylesheetInstruction() {
  std::string pi = "<?xml-stylesheet type=\"text/xsl\" href=\"";
  pi += kVisualisationStylesheet;
  pi += "\"?>";
  return pi;
}

void OpenRoot(xml::XmlWriter& xml) {
  xml.CreateParent("IzdaniRacunEnostavni");
  xml.CreateAttribute("xmlns:ds", kXmlDsigNamespace);
  xml.CreateAttribute("xmlns:xds", kXadesNamespace);
  xml.CreateAttribute("xmlns:xsi", kXmlSchemaInstanceNamespace);
  xml.CreateAttribute("xsi:noNamespaceSchemaLocation", kEslog16SchemaLocation);
  xml.AddParent();
}

}  // namespace

std::string DocumentPath(const settings::Settings& settings, std::string_view file_name) {
  std::string path(workdata::ClipRight(settings.POTDOXMLRACUNOV));
  path += workdata::ClipBoth(file_name);
  return Cp1250ToUtf8(path);
}

Status IzdelajXMLRacun(settings::Settings& settings, workdata::WorkFiles& files, FileSystem& fs,
                       std::string_view ime_xml_racuna) {
  settings.DOBROPISBREMEPIS = 0;
  xml::XmlWriter xml(fs);
  Status created = xml.CreateXmlFile(DocumentPath(settings, ime_xml_racuna), "1.0", "UTF-8");
  if (!created.ok()) return created;
  xml.SetEncoding("Windows-1250");
  if (settings.VIZUALIZACIJA != 0) xml.AddStringText(StylesheetInstruction());
  OpenRoot(xml);
  xml.CreateParent("Racun");
  xml.CreateAttribute("Id", "data");
  xml.AddParent();

  internal::InvoiceContext c{xml, files, settings, files.headers().buffer()};
  internal::WriteHead(c);
  internal::WriteParties(c);
  internal::WriteAmountsAndTaxes(c);
  internal::WriteLines(c);

  xml.CloseParent();  // Racun
  xml.CloseParent();  // IzdaniRacunEnostavni
  return xml.CloseXmlFile();
}

}  // namespace eracuni::eslog
