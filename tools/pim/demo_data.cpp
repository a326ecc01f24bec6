#include "tools/pim/demo_data.h"

namespace pim_tool::demo {

namespace {

using S = std::u16string_view;

// --- Germany ---
constexpr S kDeMale[] = {u"Jürgen", u"Lukas", u"Maximilian", u"Jörg", u"Stefan", u"Thomas",
                         u"Matthias", u"Björn", u"Florian", u"Andreas", u"Uwe", u"Felix"};
constexpr S kDeFemale[] = {u"Anna", u"Lena", u"Jülide", u"Sabine", u"Käthe", u"Ursula",
                           u"Hannah", u"Jana", u"Franziska", u"Doris", u"Märta", u"Lea"};
constexpr S kDeLast[] = {u"Müller", u"Schröder", u"Weiß", u"Groß", u"Köhler", u"Becker",
                         u"Schäfer", u"Hoffmann", u"Krüger", u"Böhm", u"Lange", u"Vogel",
                         u"Fuchs", u"Schulze", u"Jäger", u"Wöhler"};
constexpr S kDeStreets[] = {u"Hauptstraße", u"Gartenweg", u"Schloßallee", u"Lindenstraße",
                            u"Am Mühlbach", u"Bahnhofstraße", u"Kölner Straße", u"Über dem Tal"};
constexpr City kDeCities[] = {{u"Berlin", u"10115", "30"},   {u"München", u"80331", "89"},
                              {u"Köln", u"50667", "221"},    {u"Düsseldorf", u"40213", "211"},
                              {u"Nürnberg", u"90402", "911"}, {u"Lübeck", u"23552", "451"}};
constexpr S kDeCompanies[] = {u"Bäckerei Schmitz", u"Müller & Söhne GmbH", u"Stadtwerke Köln",
                              u"Autohaus Krüger", u"Ärztehaus am Markt", u"Grünbau AG"};
constexpr S kDeTitles[] = {u"Geschäftsführer", u"Buchhalterin", u"Ingenieur", u"Projektleiterin",
                           u"Vertrieb"};
constexpr S kDeDepartments[] = {u"Einkauf", u"Entwicklung", u"Kundendienst"};
constexpr S kDeNicknames[] = {u"Jo|Steffi", u"Maxi|Franzi", u"Flo|Hanni"};

// --- France ---
constexpr S kFrMale[] = {u"François", u"Jérôme", u"Loïc", u"Benoît", u"Gaël", u"Hervé",
                         u"Noël", u"Étienne", u"Julien", u"Mathéo"};
constexpr S kFrFemale[] = {u"Amélie", u"Hélène", u"Chloé", u"Léa", u"Cécile", u"Zoé",
                           u"Maëlle", u"Inès", u"Élodie", u"Océane"};
constexpr S kFrLast[] = {u"Lefèvre", u"Mercier", u"Girard", u"Bézier", u"Dupré", u"Lemaître",
                         u"Faure", u"Rousseau", u"Chénier", u"Boucher", u"Gaudin", u"Élie"};
constexpr S kFrStreets[] = {u"rue de la Paix", u"avenue des Champs-Élysées", u"rue Sainte-Hélène",
                            u"boulevard Saint-Michel", u"impasse des Lilas", u"quai de la Fontaine"};
constexpr City kFrCities[] = {{u"Paris", u"75004", "1"},        {u"Lyon", u"69002", "4"},
                              {u"Besançon", u"25000", "3"},     {u"Orléans", u"45000", "2"},
                              {u"Nîmes", u"30000", "4"},        {u"Saint-Étienne", u"42000", "4"}};
constexpr S kFrCompanies[] = {u"Boulangerie Lefèvre", u"Crédit du Littoral", u"Café de l'Opéra",
                              u"Société Générale d'Électricité", u"Garage Renaud"};
constexpr S kFrTitles[] = {u"Directrice commerciale", u"Comptable", u"Ingénieur", u"Chef de projet"};
constexpr S kFrDepartments[] = {u"Achats", u"Ressources humaines", u"Service client"};
constexpr S kFrNicknames[] = {u"Fanfan|Lolo", u"Jéjé|Zozo"};

// --- Spain ---
constexpr S kEsMale[] = {u"José", u"Andrés", u"Íñigo", u"Martín", u"Jesús", u"Rubén",
                         u"Álvaro", u"Sebastián", u"Joaquín", u"Óscar"};
constexpr S kEsFemale[] = {u"María", u"Lucía", u"Begoña", u"Inés", u"Raquel", u"Sofía",
                           u"Nuria", u"Mónica", u"Verónica", u"Ángela"};
constexpr S kEsLast[] = {u"García", u"Fernández", u"Martínez", u"López", u"Sánchez", u"Pérez",
                         u"Gómez", u"Muñoz", u"Jiménez", u"Ibáñez", u"Núñez", u"Rodríguez"};
constexpr S kEsStreets[] = {u"Calle Mayor", u"Avenida de la Constitución", u"Plaza de España",
                            u"Calle del Olivo", u"Paseo de Gràcia", u"Calle Alcalá"};
constexpr City kEsCities[] = {{u"Madrid", u"28013", "91"},  {u"Barcelona", u"08002", "93"},
                              {u"Sevilla", u"41004", "954"}, {u"Málaga", u"29015", "952"},
                              {u"A Coruña", u"15001", "981"}, {u"Cádiz", u"11005", "956"}};
constexpr S kEsCompanies[] = {u"Panadería Muñoz", u"Telefónica del Sur", u"Construcciones Ibáñez S.L.",
                              u"Farmacia Núñez", u"Librería Cervantes"};
constexpr S kEsTitles[] = {u"Gerente", u"Contable", u"Ingeniera", u"Jefe de ventas"};
constexpr S kEsDepartments[] = {u"Compras", u"Administración", u"Atención al cliente"};
constexpr S kEsNicknames[] = {u"Pepe|Lucha", u"Quique|Maite"};

// --- Poland ---
constexpr S kPlMale[] = {u"Łukasz", u"Paweł", u"Michał", u"Grzegorz", u"Wojciech", u"Jarosław",
                         u"Bartłomiej", u"Krzysztof", u"Tomasz", u"Zbigniew"};
constexpr S kPlFemale[] = {u"Małgorzata", u"Agnieszka", u"Józefa", u"Żaneta", u"Katarzyna",
                           u"Bożena", u"Elżbieta", u"Magdalena", u"Ewa", u"Joanna"};
constexpr S kPlLast[] = {u"Kowalski|Kowalska", u"Wiśniewski|Wiśniewska", u"Wójcik",
                         u"Kamiński|Kamińska", u"Lewandowski|Lewandowska", u"Zieliński|Zielińska",
                         u"Szymański|Szymańska", u"Woźniak", u"Dąbrowski|Dąbrowska", u"Kozłowski|Kozłowska"};
constexpr S kPlStreets[] = {u"ulica Długa", u"aleja Róż", u"ulica Źródlana", u"ulica Świętokrzyska",
                            u"plac Grunwaldzki", u"ulica Łąkowa"};
constexpr City kPlCities[] = {{u"Warszawa", u"00-950", "22"}, {u"Kraków", u"31-001", "12"},
                              {u"Łódź", u"90-001", "42"},     {u"Gdańsk", u"80-001", "58"},
                              {u"Poznań", u"60-001", "61"},   {u"Wrocław", u"50-001", "71"}};
constexpr S kPlCompanies[] = {u"Piekarnia Żurek", u"Budimex Łódź", u"Księgarnia Świat",
                              u"Przychodnia Zdrowie"};
constexpr S kPlTitles[] = {u"Kierownik", u"Księgowa", u"Inżynier", u"Sprzedawca"};
constexpr S kPlDepartments[] = {u"Zakupy", u"Księgowość", u"Obsługa klienta"};
constexpr S kPlNicknames[] = {u"Bartek|Gosia", u"Wojtek|Kasia"};

// --- Czech Republic ---
constexpr S kCzMale[] = {u"Jiří", u"Tomáš", u"Lukáš", u"Ondřej", u"Vojtěch", u"Matěj",
                         u"Přemysl", u"Radek", u"Zdeněk", u"Václav"};
constexpr S kCzFemale[] = {u"Eliška", u"Tereza", u"Kateřina", u"Markéta", u"Lucie", u"Zuzana",
                           u"Veronika", u"Barbora", u"Jitka", u"Božena"};
constexpr S kCzLast[] = {u"Novák|Nováková", u"Dvořák|Dvořáková", u"Černý|Černá", u"Procházka|Procházková",
                         u"Kučera|Kučerová", u"Veselý|Veselá", u"Horák|Horáková", u"Němec|Němcová",
                         u"Růžička|Růžičková", u"Šťastný|Šťastná"};
constexpr S kCzStreets[] = {u"Václavské náměstí", u"Karlova", u"Náměstí Míru", u"Údolní",
                            u"Škroupova", u"Žitná"};
constexpr City kCzCities[] = {{u"Praha", u"110 00", "2"},          {u"Brno", u"602 00", "5"},
                              {u"Plzeň", u"301 00", "37"},         {u"Ostrava", u"702 00", "59"},
                              {u"České Budějovice", u"370 01", "38"}, {u"Ústí nad Labem", u"400 01", "47"}};
constexpr S kCzCompanies[] = {u"Pekárna Růžička", u"Škoda Servis", u"Knihkupectví U Lípy",
                              u"Účetnictví Černý s.r.o."};
constexpr S kCzTitles[] = {u"Ředitel", u"Účetní", u"Inženýr", u"Obchodník"};
constexpr S kCzDepartments[] = {u"Nákup", u"Vývoj", u"Zákaznický servis"};
constexpr S kCzNicknames[] = {u"Jirka|Terka", u"Tonda|Kačka"};

// --- Sweden ---
constexpr S kSeMale[] = {u"Åke", u"Björn", u"Göran", u"Måns", u"Lars", u"Sören", u"Erik", u"Örjan"};
constexpr S kSeFemale[] = {u"Åsa", u"Märta", u"Linnéa", u"Ingrid", u"Sofia", u"Maja", u"Elsa",
                           u"Björg"};
constexpr S kSeLast[] = {u"Andersson", u"Johansson", u"Karlsson", u"Nilsson", u"Öberg",
                         u"Åström", u"Lindqvist", u"Ekström", u"Håkansson", u"Sjöberg"};
constexpr S kSeStreets[] = {u"Storgatan", u"Drottninggatan", u"Kungsvägen", u"Åsgränd",
                            u"Sjövägen", u"Östra Långgatan"};
constexpr City kSeCities[] = {{u"Stockholm", u"111 52", "8"},  {u"Göteborg", u"411 01", "31"},
                              {u"Malmö", u"211 18", "40"},     {u"Västerås", u"722 11", "21"},
                              {u"Örebro", u"702 10", "19"},    {u"Umeå", u"903 26", "90"}};
constexpr S kSeCompanies[] = {u"Bröd & Smör AB", u"Sjöfart Göteborg", u"Ekström Bygg",
                              u"Fiskehandel Åström"};
constexpr S kSeTitles[] = {u"Verkställande direktör", u"Ekonom", u"Ingenjör", u"Säljare"};
constexpr S kSeDepartments[] = {u"Inköp", u"Utveckling", u"Kundtjänst"};
constexpr S kSeNicknames[] = {u"Kalle|Majken", u"Lasse|Lotta"};

// --- England ---
constexpr S kEnMale[] = {u"John", u"Oliver", u"Harry", u"George", u"William", u"James",
                         u"Charlie", u"Thomas", u"Daniel", u"Peter"};
constexpr S kEnFemale[] = {u"Lois", u"Olivia", u"Emily", u"Charlotte", u"Grace", u"Sophie",
                           u"Amelia", u"Jessica", u"Lucy", u"Zoë"};
constexpr S kEnLast[] = {u"Smith", u"Jones", u"Taylor", u"Brown", u"Williams", u"Wilson",
                         u"Johnson", u"Davies", u"O'Brien", u"Evans", u"Walker", u"Wright"};
constexpr S kEnStreets[] = {u"High Street", u"Station Road", u"Church Lane", u"Victoria Road",
                            u"Park Avenue", u"Mill Lane"};
constexpr City kEnCities[] = {{u"London", u"SW1A 1AA", "20"},   {u"Manchester", u"M1 1AE", "161"},
                              {u"Bristol", u"BS1 4DJ", "117"},  {u"Leeds", u"LS1 4AP", "113"},
                              {u"York", u"YO1 7HH", "1904"},     {u"Brighton", u"BN1 1EE", "1273"}};
constexpr S kEnCompanies[] = {u"Smith & Sons Ltd", u"The Corner Café", u"Northern Rail Services",
                              u"Wright Architects"};
constexpr S kEnTitles[] = {u"Managing Director", u"Accountant", u"Engineer", u"Sales Manager"};
constexpr S kEnDepartments[] = {u"Purchasing", u"Engineering", u"Customer Service"};
constexpr S kEnNicknames[] = {u"Johnny|Lulu", u"Ollie|Em"};

// --- Russia ---
constexpr S kRuMale[] = {u"Александр", u"Дмитрий", u"Сергей", u"Алексей", u"Иван", u"Михаил",
                         u"Андрей", u"Николай", u"Юрий", u"Пётр", u"Фёдор", u"Артём"};
constexpr S kRuFemale[] = {u"Анна", u"Екатерина", u"Мария", u"Ольга", u"Татьяна", u"Наталья",
                           u"Юлия", u"Светлана", u"Алёна", u"Ксения", u"Дарья", u"Елена"};
constexpr S kRuLast[] = {u"Иванов|Иванова", u"Смирнов|Смирнова", u"Кузнецов|Кузнецова",
                         u"Попов|Попова", u"Васильев|Васильева", u"Соколов|Соколова",
                         u"Морозов|Морозова", u"Волков|Волкова", u"Лебедев|Лебедева",
                         u"Ёлкин|Ёлкина", u"Зайцев|Зайцева", u"Орлов|Орлова"};
constexpr S kRuStreets[] = {u"улица Ленина", u"Невский проспект", u"улица Пушкина",
                            u"Садовая улица", u"проспект Мира", u"Лесная улица"};
constexpr City kRuCities[] = {{u"Москва", u"101000", "495"},          {u"Санкт-Петербург", u"190000", "812"},
                              {u"Новосибирск", u"630000", "383"},     {u"Екатеринбург", u"620000", "343"},
                              {u"Казань", u"420000", "843"},          {u"Нижний Новгород", u"603000", "831"}};
constexpr S kRuCompanies[] = {u"ООО «Ромашка»", u"Пекарня «Колосок»", u"АО «Северсталь-Сервис»",
                              u"Аптека «Здоровье»", u"Книжный дом"};
constexpr S kRuTitles[] = {u"Директор", u"Бухгалтер", u"Инженер", u"Менеджер по продажам"};
constexpr S kRuDepartments[] = {u"Отдел закупок", u"Бухгалтерия", u"Служба поддержки"};
constexpr S kRuNicknames[] = {u"Саша|Катюша", u"Дима|Оля", u"Серёжа|Наташа"};

// --- Ukraine ---
constexpr S kUaMale[] = {u"Олександр", u"Андрій", u"Богдан", u"Тарас", u"Остап", u"Євген",
                         u"Юрій", u"Віталій"};
constexpr S kUaFemale[] = {u"Олена", u"Ірина", u"Оксана", u"Галина", u"Ганна", u"Юлія",
                           u"Соломія", u"Марʼяна"};
constexpr S kUaLast[] = {u"Шевченко", u"Коваленко", u"Бондаренко", u"Ткаченко", u"Кравчук",
                         u"Мельник", u"Олійник", u"Ковальчук", u"Поліщук", u"Лисенко"};
constexpr S kUaStreets[] = {u"вулиця Хрещатик", u"вулиця Шевченка", u"проспект Перемоги",
                            u"вулиця Грушевського", u"вулиця Їжакевича"};
constexpr City kUaCities[] = {{u"Київ", u"01001", "44"},   {u"Львів", u"79000", "32"},
                              {u"Одеса", u"65000", "48"},  {u"Харків", u"61000", "57"},
                              {u"Дніпро", u"49000", "56"}, {u"Івано-Франківськ", u"76000", "342"}};
constexpr S kUaCompanies[] = {u"ТОВ «Сонях»", u"Пекарня «Хлібний дім»", u"Аптека «Подорожник»"};
constexpr S kUaTitles[] = {u"Директор", u"Бухгалтерка", u"Інженер", u"Менеджерка"};
constexpr S kUaDepartments[] = {u"Відділ продажів", u"Бухгалтерія"};
constexpr S kUaNicknames[] = {u"Тарасик|Оля", u"Юрко|Галя"};

// --- Greece ---
constexpr S kGrMale[] = {u"Γιώργος", u"Δημήτρης", u"Νίκος", u"Κώστας", u"Γιάννης", u"Αλέξανδρος",
                         u"Παναγιώτης", u"Σπύρος", u"Θανάσης", u"Μιχάλης"};
constexpr S kGrFemale[] = {u"Μαρία", u"Ελένη", u"Κατερίνα", u"Σοφία", u"Δήμητρα", u"Αθηνά",
                           u"Γεωργία", u"Ευαγγελία", u"Χριστίνα", u"Ιωάννα"};
constexpr S kGrLast[] = {u"Παπαδόπουλος|Παπαδοπούλου", u"Νικολάου", u"Γεωργίου",
                         u"Οικονόμου", u"Παπαγεωργίου", u"Βασιλείου", u"Αντωνίου",
                         u"Καραγιάννης|Καραγιάννη", u"Μακρής|Μακρή", u"Αλεξίου"};
constexpr S kGrStreets[] = {u"Οδός Ερμού", u"Λεωφόρος Συγγρού", u"Οδός Αιόλου", u"Πλατεία Συντάγματος",
                            u"Οδός Τσιμισκή"};
constexpr City kGrCities[] = {{u"Αθήνα", u"105 57", "21"},         {u"Θεσσαλονίκη", u"546 24", "231"},
                              {u"Πάτρα", u"262 21", "261"},        {u"Ηράκλειο", u"712 02", "281"},
                              {u"Λάρισα", u"412 22", "241"},       {u"Ιωάννινα", u"452 21", "2651"}};
constexpr S kGrCompanies[] = {u"Φούρνος Παπαδόπουλος", u"Ταβέρνα Ο Μύλος", u"Φαρμακείο Οικονόμου",
                              u"Ναυτιλιακή Αιγαίου Α.Ε."};
constexpr S kGrTitles[] = {u"Διευθυντής", u"Λογίστρια", u"Μηχανικός", u"Πωλητής"};
constexpr S kGrDepartments[] = {u"Προμήθειες", u"Λογιστήριο", u"Εξυπηρέτηση πελατών"};
constexpr S kGrNicknames[] = {u"Τάκης|Λένα", u"Μπάμπης|Κούλα"};

constexpr Country kCountries[] = {
    {u"Deutschland", "+49", "1## #######", "#######", kDeMale, kDeFemale, kDeLast, kDeStreets,
     kDeCities, kDeCompanies, kDeTitles, kDeDepartments, kDeNicknames, "beispiel.de", false},
    {u"France", "+33", "6 ## ## ## ##", "## ## ## ##", kFrMale, kFrFemale, kFrLast, kFrStreets,
     kFrCities, kFrCompanies, kFrTitles, kFrDepartments, kFrNicknames, "exemple.fr", true},
    {u"España", "+34", "6## ### ###", "## ## ##", kEsMale, kEsFemale, kEsLast, kEsStreets,
     kEsCities, kEsCompanies, kEsTitles, kEsDepartments, kEsNicknames, "ejemplo.es", false},
    {u"Polska", "+48", "5## ### ###", "### ## ##", kPlMale, kPlFemale, kPlLast, kPlStreets,
     kPlCities, kPlCompanies, kPlTitles, kPlDepartments, kPlNicknames, "przyklad.pl", false},
    {u"Česko", "+420", "7## ### ###", "### ###", kCzMale, kCzFemale, kCzLast, kCzStreets,
     kCzCities, kCzCompanies, kCzTitles, kCzDepartments, kCzNicknames, "priklad.cz", false},
    {u"Sverige", "+46", "70 ### ## ##", "### ## ##", kSeMale, kSeFemale, kSeLast, kSeStreets,
     kSeCities, kSeCompanies, kSeTitles, kSeDepartments, kSeNicknames, "exempel.se", false},
    {u"United Kingdom", "+44", "7### ######", "### ####", kEnMale, kEnFemale, kEnLast, kEnStreets,
     kEnCities, kEnCompanies, kEnTitles, kEnDepartments, kEnNicknames, "example.co.uk", true},
    {u"Россия", "+7", "9## ###-##-##", "###-##-##", kRuMale, kRuFemale, kRuLast, kRuStreets,
     kRuCities, kRuCompanies, kRuTitles, kRuDepartments, kRuNicknames, "primer.ru", false},
    {u"Україна", "+380", "6# ### ## ##", "### ## ##", kUaMale, kUaFemale, kUaLast, kUaStreets,
     kUaCities, kUaCompanies, kUaTitles, kUaDepartments, kUaNicknames, "pryklad.ua", false},
    {u"Ελλάδα", "+30", "69# ### ####", "### ####", kGrMale, kGrFemale, kGrLast, kGrStreets,
     kGrCities, kGrCompanies, kGrTitles, kGrDepartments, kGrNicknames, "paradeigma.gr", false},
};

constexpr S kCategories[] = {u"Business", u"Family", u"Friends", u"Sport", u"Neighbours", u"VIP"};

constexpr std::string_view kMailDomains[] = {"mail.example.com", "post.example.net",
                                             "inbox.example.org"};

}  // namespace

std::span<const Country> countries() { return kCountries; }
std::span<const std::u16string_view> category_names() { return kCategories; }
std::span<const std::string_view> mail_domains() { return kMailDomains; }

}  // namespace pim_tool::demo
