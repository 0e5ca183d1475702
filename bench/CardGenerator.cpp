#include "CardGenerator.h"

#include <QSet>
#include <algorithm>
#include <cmath>
#include <iterator>

namespace bench {
namespace {

// Gender of a Czech noun, for the ending of the adjective that follows it.
enum Gender { M, F, N, P /* plural neuter: "kuřátka žlutá" */ };

struct Genus {
    const char* latin;
    const char* czech;
    Gender gender;
};

// Real genera of macrofungi with their Czech generic names (several genera share a Czech name,
// as they do in Czech field guides).
const Genus kGenera[] = {
    {"Boletus", "hřib", M},
    {"Imleria", "hřib", M},
    {"Butyriboletus", "hřib", M},
    {"Rubroboletus", "hřib", M},
    {"Suillellus", "hřib", M},
    {"Neoboletus", "hřib", M},
    {"Caloboletus", "hřib", M},
    {"Hemileccinum", "hřib", M},
    {"Aureoboletus", "hřib", M},
    {"Gyroporus", "hřib", M},
    {"Chalciporus", "hřib", M},
    {"Porphyrellus", "hřib", M},
    {"Xerocomus", "suchohřib", M},
    {"Xerocomellus", "suchohřib", M},
    {"Hortiboletus", "suchohřib", M},
    {"Leccinum", "kozák", M},
    {"Leccinellum", "kozák", M},
    {"Suillus", "klouzek", M},
    {"Tylopilus", "hořčák", M},
    {"Strobilomyces", "šiškovec", M},
    {"Amanita", "muchomůrka", F},
    {"Cantharellus", "liška", F},
    {"Craterellus", "stroček", M},
    {"Russula", "holubinka", F},
    {"Lactarius", "ryzec", M},
    {"Lactifluus", "ryzec", M},
    {"Cortinarius", "pavučinec", M},
    {"Tricholoma", "čirůvka", F},
    {"Hygrophorus", "šťavnatka", F},
    {"Hygrocybe", "voskovka", F},
    {"Cuphophyllus", "voskovka", F},
    {"Gliophorus", "voskovka", F},
    {"Mycena", "helmovka", F},
    {"Hemimycena", "helmovka", F},
    {"Atheniella", "helmovka", F},
    {"Inocybe", "vláknice", F},
    {"Pseudosperma", "vláknice", F},
    {"Entoloma", "závojenka", F},
    {"Hebeloma", "slzivka", F},
    {"Agaricus", "pečárka", F},
    {"Lepiota", "bedla", F},
    {"Macrolepiota", "bedla", F},
    {"Chlorophyllum", "bedla", F},
    {"Leucoagaricus", "bedla", F},
    {"Echinoderma", "bedla", F},
    {"Cystolepiota", "bedla", F},
    {"Coprinus", "hnojník", M},
    {"Coprinellus", "hnojník", M},
    {"Coprinopsis", "hnojník", M},
    {"Parasola", "hnojník", M},
    {"Pholiota", "šupinovka", F},
    {"Gymnopilus", "šupinovka", F},
    {"Phaeolepiota", "šupinovka", F},
    {"Hypholoma", "třepenitka", F},
    {"Armillaria", "václavka", F},
    {"Clitocybe", "strmělka", F},
    {"Infundibulicybe", "strmělka", F},
    {"Pseudoclitocybe", "strmělka", F},
    {"Collybia", "penízovka", F},
    {"Gymnopus", "penízovka", F},
    {"Rhodocollybia", "penízovka", F},
    {"Megacollybia", "penízovka", F},
    {"Flammulina", "penízovka", F},
    {"Strobilurus", "penízovka", F},
    {"Baeospora", "penízovka", F},
    {"Xerula", "penízovka", F},
    {"Marasmius", "špička", F},
    {"Marasmiellus", "špička", F},
    {"Mycetinis", "špička", F},
    {"Pluteus", "štítovka", F},
    {"Psathyrella", "křehutka", F},
    {"Lacrymaria", "křehutka", F},
    {"Stropharia", "límcovka", F},
    {"Leratiomyces", "límcovka", F},
    {"Protostropharia", "límcovka", F},
    {"Paxillus", "čechratka", F},
    {"Tapinella", "čechratka", F},
    {"Gomphidius", "slizák", M},
    {"Chroogomphus", "slizák", M},
    {"Hydnum", "lišák", M},
    {"Sarcodon", "lošák", M},
    {"Hydnellum", "korkovec", M},
    {"Phellodon", "lošáček", M},
    {"Ramaria", "kuřátka", P},
    {"Clavaria", "kyjanka", F},
    {"Clavulina", "kyjanka", F},
    {"Clavariadelphus", "kyj", M},
    {"Morchella", "smrž", M},
    {"Gyromitra", "ucháč", M},
    {"Helvella", "chřapáč", M},
    {"Verpa", "kačenka", F},
    {"Peziza", "kustrnka", F},
    {"Otidea", "ouško", N},
    {"Aleuria", "mísenka", F},
    {"Sarcoscypha", "ohnivec", M},
    {"Disciotis", "terčovka", F},
    {"Discina", "destice", F},
    {"Rhizina", "kořenitka", F},
    {"Tuber", "lanýž", M},
    {"Elaphomyces", "jelenka", F},
    {"Xylaria", "dřevnatka", F},
    {"Daldinia", "dřevomor", M},
    {"Hypoxylon", "dřevomor", M},
    {"Bulgaria", "klihatka", F},
    {"Leotia", "lepkavka", F},
    {"Chlorociboria", "zelenitka", F},
    {"Cordyceps", "housenice", F},
    {"Ophiocordyceps", "housenice", F},
    {"Trametes", "outkovka", F},
    {"Trichaptum", "outkovka", F},
    {"Lenzites", "outkovka", F},
    {"Fomes", "troudnatec", M},
    {"Fomitopsis", "troudnatec", M},
    {"Ganoderma", "lesklokorka", F},
    {"Laetiporus", "sírovec", M},
    {"Polyporus", "choroš", M},
    {"Cerioporus", "choroš", M},
    {"Picipes", "choroš", M},
    {"Piptoporus", "březovník", M},
    {"Stereum", "pevník", M},
    {"Schizophyllum", "klanolístka", F},
    {"Auricularia", "boltcovitka", F},
    {"Tremella", "rosolovka", F},
    {"Exidia", "černorosol", M},
    {"Pseudohydnum", "rosolozub", M},
    {"Calocera", "krásnorůžek", M},
    {"Lycoperdon", "pýchavka", F},
    {"Calvatia", "pýchavka", F},
    {"Bovista", "prášivka", F},
    {"Scleroderma", "pestřec", M},
    {"Geastrum", "hvězdovka", F},
    {"Phallus", "hadovka", F},
    {"Mutinus", "psivka", F},
    {"Clathrus", "mřížovka", F},
    {"Cyathus", "číšenka", F},
    {"Lyophyllum", "trsnatec", M},
    {"Calocybe", "čirůvka", F},
    {"Lepista", "čirůvka", F},
    {"Tricholomopsis", "čirůvka", F},
    {"Melanoleuca", "čirůvka", F},
    {"Leucopaxillus", "čirůvka", F},
    {"Laccaria", "lakovka", F},
    {"Oudemansiella", "slizečka", F},
    {"Mucidula", "slizečka", F},
    {"Kuehneromyces", "opeňka", F},
    {"Galerina", "čepičatka", F},
    {"Agrocybe", "polnička", F},
    {"Bolbitius", "slzečník", M},
    {"Conocybe", "kuželka", F},
    {"Pholiotina", "kuželka", F},
    {"Panaeolus", "kropenatec", M},
    {"Psilocybe", "lysohlávka", F},
    {"Deconica", "lysohlávka", F},
    {"Tubaria", "trudnatka", F},
    {"Crepidotus", "trámovka", F},
    {"Gloeophyllum", "trámovka", F},
    {"Pleurotus", "hlíva", F},
    {"Hypsizygus", "hlíva", F},
    {"Ossicaulis", "hlíva", F},
    {"Panellus", "hlívička", F},
    {"Hohenbuehelia", "hlívička", F},
    {"Phyllotopsis", "hlívička", F},
    {"Pleurocybella", "hlívička", F},
    {"Lentinus", "houževnatec", M},
    {"Neolentinus", "houževnatec", M},
    {"Lentinellus", "houžovec", M},
    {"Hericium", "korálovec", M},
    {"Sparassis", "kotrč", M},
    {"Grifola", "trsnatec", M},
    {"Meripilus", "vějířovec", M},
    {"Fistulina", "pstřeň", M},
    {"Albatrellus", "krásnopórka", F},
    {"Cystoderma", "zrnivka", F},
    {"Hygrophoropsis", "lištička", F},
    {"Clitopilus", "mechovka", F},
    {"Phellinus", "ohňovec", M},
    {"Inonotus", "rezavec", M},
    {"Heterobasidion", "kořenovník", M},
    {"Bjerkandera", "šedopórka", F},
    {"Postia", "bělochoroš", M},
    {"Daedaleopsis", "síťkovec", M},
    {"Thelephora", "plesňák", M},
    {"Mitrula", "čepičkovec", M},
    {"Volvariella", "kukmáček", M},
    {"Volvopluteus", "kukmák", M},
    {"Limacella", "slizovka", F},
    {"Rhizopogon", "kořenovec", M},
    {"Rhodotus", "žilnatka", F},
    {"Omphalina", "kalichovka", F},
    {"Lichenomphalia", "kalichovka", F},
    {"Arrhenia", "kalichovka", F},
    {"Rickenella", "kalichovka", F},
    {"Alnicola", "olšovka", F},
    {"Naucoria", "olšovka", F},
    {"Calyptella", "kornoutek", M},
    {"Crucibulum", "kelímek", M},
    {"Bondarzewia", "bondarcevka", F},
    {"Boletopsis", "hřibovec", M},
    {"Botryobasidium", "hroznovka", F},
    {"Catathelasma", "čirůvka", F},
    {"Dermoloma", "čirůvka", F},
    {"Porpoloma", "čirůvka", F},
    {"Ripartites", "strmělka", F},
    {"Clitocella", "mechovka", F},
    {"Rhodocybe", "ryzohlávka", F},
    {"Simocybe", "kropenatka", F},
    {"Hydropus", "helmovka", F},
    {"Roridomyces", "helmovka", F},
    {"Macrotyphula", "pérovka", F},
    {"Typhula", "pérovka", F},
    {"Pterula", "pérovka", F},
    {"Gomphus", "kotrč", M},
    {"Turbinellus", "kotrč", M},
    {"Pseudocraterellus", "stroček", M},
    {"Scutellinia", "kosmatka", F},
    {"Humaria", "kosmatka", F},
    {"Tarzetta", "kališenka", F},
    {"Geopora", "zemička", F},
    {"Sowerbyella", "mísenka", F},
    {"Caloscypha", "mísenka", F},
    {"Ascocoryne", "čárka", F},
    {"Neobulgaria", "klihatka", F},
    {"Rutstroemia", "terčka", F},
    {"Ciboria", "terčka", F},
    {"Dumontinia", "terčka", F},
    {"Hymenoscyphus", "terčka", F},
    {"Lachnum", "brvenka", F},
    {"Lasiobolus", "brvenka", F},
    {"Nectria", "rážovka", F},
    {"Hypomyces", "rosolovka", F},
    {"Kretzschmaria", "spálenka", F},
    {"Ustulina", "spálenka", F},
    {"Diatrype", "pokrytka", F},
    {"Nemania", "dřevomor", M},
    {"Annulohypoxylon", "dřevomor", M},
    {"Phlebia", "žilnatka", F},
    {"Hyphodontia", "pevník", M},
    {"Peniophora", "pevník", M},
    {"Chondrostereum", "pevník", M},
    {"Serpula", "dřevomorka", F},
    {"Coniophora", "koniofora", F},
    {"Antrodia", "pórnatka", F},
    {"Skeletocutis", "kostrovka", F},
    {"Oxyporus", "pórnatka", F},
    {"Fuscoporia", "ohňovec", M},
    {"Porodaedalea", "ohňovec", M},
    {"Onnia", "rezavec", M},
    {"Coltricia", "kožovka", F},
    {"Ischnoderma", "smolokorka", F},
    {"Climacocystis", "bělochoroš", M},
    {"Abortiporus", "pórnatka", F},
    {"Gloeoporus", "pórnatka", F},
    {"Rigidoporus", "pevnopórka", F},
    {"Hapalopilus", "měkkopórka", F},
    {"Cerrena", "outkovka", F},
    {"Datronia", "outkovka", F},
    {"Lycogala", "vlčí mléko", N},
    {"Astraeus", "hvězdovka", F},
    {"Myriostoma", "hvězdovka", F},
    {"Tulostoma", "palečka", F},
    {"Battarrea", "palečka", F},
    {"Sphaerobolus", "kulovnička", F},
    {"Nidularia", "hnízdovka", F},
    {"Melanogaster", "černoplod", M},
    {"Hymenogaster", "podzemka", F},
    {"Genea", "lanýž", M},
    {"Choiromyces", "bělolanýž", M},
    {"Pachyphlodes", "lanýž", M},
};

// Species epithets as they occur in the names of European fungi.
const char* const kEpithets[] = {
    "edulis",         "muscaria",     "phalloides",      "pantherina",    "rubescens",
    "citrina",        "cibarius",     "aurantiacum",     "scabrum",       "luteus",
    "granulatus",     "bovinus",      "badius",          "chrysenteron",  "subtomentosus",
    "pinophilus",     "aereus",       "reticulatus",     "regius",        "appendiculatus",
    "calopus",        "radicans",     "luridus",         "erythropus",    "satanas",
    "piperatus",      "felleus",      "castaneus",       "cyanescens",    "strobilaceus",
    "cyanoxantha",    "vesca",        "virescens",       "emetica",       "ochroleuca",
    "foetens",        "nigricans",    "integra",         "xerampelina",   "aurea",
    "paludosa",       "fellea",       "deliciosus",      "deterrimus",    "torminosus",
    "volemus",        "vellereus",    "quietus",         "camphoratus",   "rufus",
    "turpis",         "necator",      "blennius",        "scrobiculatus", "violaceus",
    "traganus",       "orellanus",    "rubellus",        "armillatus",    "purpurascens",
    "collinitus",     "caperatus",    "equestre",        "portentosum",   "terreum",
    "saponaceum",     "sulphureum",   "pardinum",        "album",         "columbetta",
    "vaccinum",       "imbricatum",   "flavovirens",     "gambosa",       "nuda",
    "sordida",        "irina",        "conica",          "coccinea",      "punicea",
    "psittacina",     "pratensis",    "virginea",        "chrysodon",     "eburneus",
    "marzuolus",      "pura",         "galericulata",    "rosea",         "crocata",
    "haematopus",     "epipterygia",  "geophylla",       "erubescens",    "rimosa",
    "sinuatum",       "clypeatum",    "crustuliniforme", "sinapizans",    "campestris",
    "arvensis",       "augustus",     "silvaticus",      "xanthodermus",  "bisporus",
    "cristata",       "procera",      "rhacodes",        "mastoidea",     "comatus",
    "atramentaria",   "micaceus",     "picaceus",        "squarrosa",     "aurivella",
    "adiposa",        "fasciculare",  "capnoides",       "lateritium",    "mellea",
    "ostoyae",        "gallica",      "nebularis",       "odora",         "gibba",
    "geotropa",       "dealbata",     "rivulosa",        "dryophila",     "butyracea",
    "oreades",        "rotula",       "alliaceus",       "cervinus",      "leoninus",
    "candolleana",    "aeruginosa",   "rugosoannulata",  "involutus",     "atrotomentosa",
    "glutinosus",     "rutilus",      "repandum",        "imbricatus",    "botrytis",
    "flava",          "formosa",      "pistillaris",     "esculenta",     "elata",
    "gigas",          "infula",       "crispa",          "lacunosa",      "acetabulum",
    "aurantia",       "austriaca",    "aestivum",        "melanosporum",  "polymorpha",
    "hypoxylon",      "concentrica",  "fragiforme",      "versicolor",    "hirsuta",
    "gibbosa",        "fomentarius",  "pinicola",        "betulina",      "applanatum",
    "lucidum",        "sulphureus",   "squamosus",       "varius",        "hirsutum",
    "commune",        "mesenterica",  "viscosa",         "perlatum",      "pyriforme",
    "excipuliforme",  "gigantea",     "plumbea",         "citrinum",      "verrucosum",
    "fimbriatum",     "rufescens",    "impudicus",       "caninus",       "ruber",
    "olla",           "striatus",     "decastes",        "amethystina",   "laccata",
    "platyphylla",    "mucida",       "velutipes",       "mutabilis",     "marginata",
    "penetrans",      "arvalis",      "semiorbicularis", "lacteus",       "semiglobatus",
    "semilanceata",   "furfuracea",   "mollis",          "ostreatus",     "pulmonarius",
    "cornucopiae",    "serotinus",    "stipticus",       "tigrinus",      "cochleatus",
    "lepideus",       "erinaceus",    "coralloides",     "frondosa",      "giganteus",
    "hepatica",       "ovinus",       "confluens",       "amianthinum",   "aurantiaca",
    "fusipes",        "maculata",     "radicata",        "esculentus",    "tenacellus",
    "myosura",        "vulgaris",     "nivea",           "grevillei",     "viscidus",
    "tridentinus",    "variegatus",   "placidus",        "sibiricus",     "cavipes",
    "versipelle",     "carpini",      "duriusculum",     "variicolor",    "holopus",
    "melanopus",      "lepidus",      "zonarius",        "pubescens",     "helvus",
    "glyciosmus",     "lignyotus",    "picinus",         "mitissimus",    "aurantiacus",
    "subdulcis",      "tabidus",      "fuliginosus",     "azonites",      "pyrogalus",
    "circellatus",    "chrysorrheus", "fulvissimus",     "densifolia",    "adusta",
    "delica",         "chloroides",   "firmula",         "queletii",      "sardonia",
    "torulosa",       "badia",        "mairei",          "fragilis",      "atropurpurea",
    "olivacea",       "alutacea",     "decolorans",      "claroflava",    "aeruginea",
    "parazurea",      "ionochlora",   "grisea",          "heterophylla",  "lepida",
    "velenovskyi",    "puellaris",    "nauseosa",        "betularum",     "gracillima",
    "semisanguineus", "sanguineus",   "cinnamomeus",     "croceus",       "malicorius",
    "alboviolaceus",  "anomalus",     "bolaris",         "brunneus",      "camphoratus",
    "glaucopus",      "infractus",    "praestans",       "rufoolivaceus", "sodagnitus",
    "trivialis",      "varius",       "venetus",         "hinnuleus",     "flexipes",
    "acutus",         "obtusus",      "bivelus",         "balteatus",
};

const char* const kAuthors[] = {
    "Bull.",
    "(L.) Lam.",
    "Fr.",
    "(Fr.) Fr.",
    "(Bull.) Fr.",
    "(Pers.) Gray",
    "(Schaeff.) P. Kumm.",
    "Pers.",
    "(Batsch) Fr.",
    "(Scop.) Fr.",
    "Quél.",
    "(Fr.) Quél.",
    "Singer",
    "(Fr.) P. Karst.",
    "Kühner",
    "(Sowerby) Fr.",
    "Krombh.",
    "Velen.",
    "Pilát",
    "Kotl. & Pouzar",
    "(Krombh.) Gray",
    "(Jacq.) Fr.",
    "Peck",
    "Romagn.",
    "Maire",
    "(Pers.) Pers.",
    "(Schumach.) P. Kumm.",
    "(Vittad.) Vittad.",
    "Cooke",
    "Berk. & Broome",
    "(Fr.) Singer",
    "Gillet",
    "(Bres.) Singer",
    "J. E. Lange",
    "Dennis",
    "Boud.",
    "Rea",
    "Sacc.",
    "(Huds.) Fr.",
    "(With.) Gray",
    "(Fr.) Kühner",
    "(Fr.) Staude",
    "Schaeff.",
    "(Bull.) Quél.",
    "(Pers.) Fr.",
    "Herink",
    "Šebek",
    "Svrček",
    "Kotl.",
    "Hlaváček",
    "(Secr.) Gillet",
    "(Krombh.) Quél.",
    "(Fr.) Kummer",
    "Vizzini",
    "(Fr.) Vizzini",
};

// Czech species names in the masculine form; feminine and neuter forms follow from the ending.
const char* const kAdjectives[] = {
    "smrkový",     "borový",      "dubový",    "bukový",      "březový",      "jedlový",     "modřínový",
    "habrový",     "lipový",      "olšový",    "obecný",      "červený",      "hnědý",       "žlutý",
    "bílý",        "černý",       "zelený",    "modrý",       "fialový",      "šedý",        "růžový",
    "oranžový",    "nachový",     "cihlový",   "rezavý",      "olivový",      "plavý",       "sírový",
    "měděný",      "zlatý",       "stříbřitý", "jedlý",       "jedovatý",     "hořký",       "peprný",
    "sladký",      "vonný",       "páchnoucí", "modrající",   "černající",    "červenající", "lesní",
    "luční",       "polní",       "horský",    "bažinný",     "rašeliništní", "jarní",       "letní",
    "podzimní",    "zimní",       "velký",     "malý",        "drobný",       "obrovský",    "štíhlý",
    "zavalitý",    "křehký",      "tuhý",      "slizký",      "lepkavý",      "suchý",       "plstnatý",
    "šupinatý",    "vláknitý",    "hladký",    "svraštělý",   "rýhovaný",     "pruhovaný",   "skvrnitý",
    "tečkovaný",   "pravý",       "nepravý",   "vysoký",      "nízký",        "kuželovitý",  "zvonovitý",
    "pohárkovitý", "nálevkovitý", "trsnatý",   "svazčitý",    "kopytovitý",   "pestrý",      "sličný",
    "namodralý",   "nazelenalý",  "nažloutlý", "načervenalý", "hnědofialový", "žlutomasý",   "kaštanový",
    "mléčný",      "kořenující",  "límcový",   "pochvatý",    "hlíznatý",     "kyjovitý",    "dvouvýtrusý",
    "okrový",      "mrkvový",     "česnekový", "anýzový",     "moučný",       "mýdlový",     "zemní",
    "vrbový",      "topolový",    "jasanový",  "trávový",     "mechový",      "jehličnatý",  "listnatý",
    "pařezový",    "kmenový",     "trusový",   "spáleništní", "písečný",      "vápnomilný",  "kyselomilný",
    "teplomilný",  "severský",    "alpský",    "panonský",    "Velenovského", "královský",   "satanský",
    "ďábelský",    "vlčí",        "liščí",     "zaječí",      "kozí",
};

const char* const kFamousSpecies[][3] = {
    {"Boletus edulis", "Bull.", "hřib smrkový"},
    {"Amanita muscaria", "(L.) Lam.", "muchomůrka červená"},
    {"Cantharellus cibarius", "Fr.", "liška obecná"},
    {"Imleria badia", "(Fr.) Vizzini", "hřib hnědý"},
    {"Leccinum scabrum", "(Bull.) Gray", "kozák březový"},
    {"Armillaria ostoyae", "(Romagn.) Herink", "václavka smrková"},
    {"Macrolepiota procera", "(Scop.) Singer", "bedla vysoká"},
    {"Amanita rubescens", "Pers.", "muchomůrka růžovka"},
    {"Xerocomellus chrysenteron", "(Bull.) Šutara", "suchohřib žlutomasý"},
    {"Boletus reticulatus", "Schaeff.", "hřib dubový"},
    {"Boletus pinophilus", "Pilát & Dermek", "hřib borový"},
    {"Russula cyanoxantha", "(Schaeff.) Fr.", "holubinka namodralá"},
    {"Lactarius deliciosus", "(L.) Gray", "ryzec pravý"},
    {"Suillus grevillei", "(Klotzsch) Singer", "klouzek sličný"},
    {"Hypholoma fasciculare", "(Huds.) P. Kumm.", "třepenitka svazčitá"},
    {"Amanita phalloides", "(Vaill. ex Fr.) Link", "muchomůrka zelená"},
    {"Paxillus involutus", "(Batsch) Fr.", "čechratka podvinutá"},
    {"Lycoperdon perlatum", "Pers.", "pýchavka obecná"},
    {"Trametes versicolor", "(L.) Lloyd", "outkovka pestrá"},
    {"Fomes fomentarius", "(L.) Fr.", "troudnatec kopytovitý"},
    {"Neoboletus luridiformis", "(Rostk.) Gelardi, Simonini & Vizzini", "hřib kovář"},
    {"Suillellus luridus", "(Schaeff.) Murrill", "hřib koloděj"},
    {"Tylopilus felleus", "(Bull.) P. Karst.", "hořčák žlučník"},
    {"Amanita pantherina", "(DC.) Krombh.", "muchomůrka tygrovaná"},
    {"Russula emetica", "(Schaeff.) Pers.", "holubinka vrhavka"},
    {"Kuehneromyces mutabilis", "(Schaeff.) Singer & A. H. Sm.", "opeňka měnlivá"},
    {"Pleurotus ostreatus", "(Jacq.) P. Kumm.", "hlíva ústřičná"},
    {"Laetiporus sulphureus", "(Bull.) Murrill", "sírovec žlutooranžový"},
    {"Morchella esculenta", "(L.) Pers.", "smrž obecný"},
    {"Calocybe gambosa", "(Fr.) Donk", "čirůvka májovka"},
};

// Localities: places of the Czech lands, villages "u" a town, and parts of a locality.
const char* const kPlaces[] = {
    "Hradiště u Písku",
    "Černá hora",
    "Chlum",
    "Kutná Hora",
    "Bílá hora",
    "Kamenný vrch",
    "Babí lom",
    "Bukový vrch",
    "Kozí hřbet",
    "Jelení skok",
    "Vysoký kámen",
    "Horažďovice",
    "Kašperské Hory",
    "Železná Ruda",
    "Vimperk",
    "Prachatice",
    "Volary",
    "Boubín",
    "Plechý",
    "Křemešník",
    "Blaník",
    "Kleť",
    "Javorník",
    "Radhošť",
    "Lysá hora",
    "Smrk",
    "Ještěd",
    "Milešovka",
    "Říp",
    "Bezděz",
    "Sněžka",
    "Praděd",
    "Králický Sněžník",
    "Žalý",
    "Klínovec",
    "Boží Dar",
    "Doupovské hory",
    "Brdy",
    "Třemšín",
    "Tok",
    "Plešivec",
    "Křivoklát",
    "Karlštejn",
    "Kokořín",
    "Doksy",
    "Prachovské skály",
    "Hrubá Skála",
    "Jizerka",
    "Bedřichov",
    "Harrachov",
    "Špindlerův Mlýn",
    "Pec pod Sněžkou",
    "Adršpach",
    "Teplice nad Metují",
    "Broumov",
    "Orlické hory",
    "Deštné",
    "Žamberk",
    "Litomyšl",
    "Polička",
    "Žďár nad Sázavou",
    "Devět skal",
    "Telč",
    "Podyjí",
    "Pálava",
    "Lednice",
    "Strážnice",
    "Bílé Karpaty",
    "Velká Javořina",
    "Chřiby",
    "Buchlov",
    "Hostýn",
    "Rožnov pod Radhoštěm",
    "Ostravice",
    "Jablunkov",
    "Rejvíz",
    "Karlova Studánka",
    "Ovčárna",
    "Ramzová",
    "Zlaté Hory",
    "Moravský kras",
    "Macocha",
    "Vranov",
    "Bítov",
    "Dalešice",
    "Hluboká nad Vltavou",
    "Zlatá Koruna",
    "Rožmberk",
    "Vyšší Brod",
    "Nové Hrady",
    "Borovany",
    "Lomnice nad Lužnicí",
    "Chlum u Třeboně",
    "Soběslav",
    "Bechyně",
    "Orlík",
    "Zvíkov",
    "Sedlec",
    "Mirotice",
    "Blatná",
    "Rožmitál pod Třemšínem",
    "Dobříš",
    "Český Šternberk",
    "Kácov",
    "Humpolec",
    "Kamenice nad Lipou",
    "Kunžak",
    "Slavonice",
    "Černá v Pošumaví",
    "Horní Planá",
    "Nová Pec",
    "Plešné jezero",
    "Modrava",
    "Kvilda",
    "Horská Kvilda",
    "Prášily",
    "Srní",
    "Hartmanice",
    "Čachrov",
    "Nýrsko",
    "Všeruby",
    "Kdyně",
    "Čerchov",
    "Klenčí pod Čerchovem",
    "Sokolí hnízdo",
    "Medvědí skála",
    "Hadí vrch",
    "Na Skalce",
    "Pod Hůrkou",
    "U Tří lip",
    "Stará obora",
    "Nová obora",
    "Dlouhá louka",
    "Velký rybník",
    "Hluboký důl",
    "Liščí díra",
    "Čertova stěna",
    "Panská skála",
    "Svatý Jan pod Skalou",
    "Hora Svaté Kateřiny",
    "Sněžná hora",
    "Horní Blatná",
    "Jelení hora",
    "Hora Matky Boží",
};

const char* const kVillages[] = {
    "Lhota",     "Újezd",      "Hradiště", "Chlum",   "Lhotka", "Dolní Lhota", "Horní Lhota", "Nová Ves",
    "Stará Ves", "Vrbno",      "Lipí",     "Březí",   "Dubí",   "Bukovec",     "Habrovany",   "Hůrka",
    "Kamenná",   "Podhradí",   "Zahrádka", "Mlýnec",  "Vísky",  "Záhoří",      "Paseky",      "Hora",
    "Horka",     "Doubravice", "Olšany",   "Jedlová", "Smrčná", "Borovnice",
};

const char* const kTowns[] = {
    "Písku",     "Tábora",   "Brna",     "Jihlavy",  "Třeboně",   "Strakonic", "Klatov",   "Plzně",
    "Prahy",     "Olomouce", "Opavy",    "Jičína",   "Liberce",   "Zlína",     "Kolína",   "Berouna",
    "Rakovníka", "Mělníka",  "Chrudimi", "Pardubic", "Sušice",    "Benešova",  "Příbrami", "Rokycan",
    "Domažlic",  "Trutnova", "Náchoda",  "Vsetína",  "Kroměříže", "Znojma",
};

const char* const kParts[] = {
    "les",        "louka", "rybník", "u rybníka", "okraj lesa",   "bučina",       "smrčina",
    "olšina",     "PR",    "NPR",    "lom",       "údolí potoka", "pod vrcholem", "severní svah",
    "jižní svah", "hráz",  "park",   "hřbitov",   "pastvina",     "mokřad",       "rašeliniště",
    "vřesoviště", "stráň", "alej",   "paseka",    "hájovna",      "myslivna",     "zřícenina",
};

const char* const kFirstInitials[] = {"J.", "M.", "P.", "K.", "V.", "L.", "F.", "Z.", "A.", "T.",
                                      "R.", "H.", "E.", "O.", "D.", "B.", "I.", "S.", "Š.", "Č."};
const char* const kSurnames[] = {
    "Novák",   "Svobodová", "Dvořák",      "Černý",   "Procházka", "Kučerová", "Veselý", "Horák", "Němec",    "Marek",
    "Pokorný", "Pospíšil",  "Hájková",     "Jelínek", "Král",      "Růžička",  "Beneš",  "Fiala", "Sedláček", "Doležal",
    "Zeman",   "Kolář",     "Navrátilová", "Čermák",  "Vaněk",     "Urban",    "Blažek", "Kříž",  "Kovář",    "Bartoš",
    "Vlček",   "Polák",     "Musil",       "Kopecký", "Šimek",     "Konečný",  "Malý",   "Holub", "Štěpánek", "Kadlec",
};

const char* const kSubstrates[] = {
    "pod smrky",        "pod buky",         "pod duby",
    "pod břízami",      "pod borovicemi",   "pod jedlemi",
    "pod modříny",      "na pařezu smrku",  "na tlejícím dřevě",
    "v mechu",          "v trávě",          "na spáleništi",
    "na trusu",         "na kmeni buku",    "v jehličí",
    "na okraji cesty",  "v listí",          "na větvičkách",
    "na šiškách",       "na zemi v bučině", "na mrtvém kmeni břízy",
    "na kořenech dubu", "v rašeliníku",     "na písčité půdě",
    "na vápenci",
};

const char* const kNotes[] = {
    "hojně",
    "ojediněle",
    "3 plodnice",
    "trsy",
    "mladé plodnice",
    "přestárlé plodnice",
    "v kruhu",
    "po dešti",
    "exsikát v herbáři",
    "foto",
    "určení ověřeno mikroskopicky",
    "spolu s hřibem smrkovým",
    "několik plodnic",
    "jediná plodnice",
    "požerky",
    "nahnilé",
};

QString fromUtf8(const char* s) {
    return QString::fromUtf8(s);
}

QString czechName(const Genus& genus, const QString& adjective) {
    QString adj = adjective;
    if (adj.endsWith(u'ý')) {
        switch (genus.gender) {
            case M:
                break;
            case F:
            case P:
                adj.chop(1);
                adj += u'á';
                break;
            case N:
                adj.chop(1);
                adj += u'é';
                break;
        }
    }
    return fromUtf8(genus.czech) + u' ' + adj;
}

// Cumulative Zipf-like weights 1 / (rank + offset): a few ranks are common, the tail is long.
std::vector<double> zipf(int n, double offset) {
    std::vector<double> cum(static_cast<size_t>(n));
    double sum = 0;
    for (int k = 0; k < n; ++k) {
        sum += 1.0 / (k + offset);
        cum[size_t(k)] = sum;
    }
    for (double& c : cum) c /= sum;
    return cum;
}

template <typename T, size_t N>
constexpr int countOf(const T (&)[N]) {
    return int(N);
}

}  // namespace

int CardGenerator::pick(const std::vector<double>& cumulative, double u) {
    const auto it = std::upper_bound(cumulative.begin(), cumulative.end(), u);
    return std::min(int(it - cumulative.begin()), int(cumulative.size()) - 1);
}

CardGenerator::CardGenerator(int count, quint64 seed) : m_count(count), m_seed(seed) {
    Rng rng(seed);

    // Species catalogue: the well-known species first (they get the highest frequencies),
    // then distinct genus + epithet combinations.
    constexpr int kSpecies = 4000;
    QSet<QString> taken;
    for (const auto& s : kFamousSpecies) {
        m_species.push_back(Species{fromUtf8(s[0]), fromUtf8(s[1]), fromUtf8(s[2]), QString()});
        taken.insert(m_species.back().nla);
    }
    while (int(m_species.size()) < kSpecies) {
        const Genus& g = kGenera[rng.below(countOf(kGenera))];
        const QString nla = fromUtf8(g.latin) + u' ' + fromUtf8(kEpithets[rng.below(countOf(kEpithets))]);
        if (taken.contains(nla)) continue;
        taken.insert(nla);
        const QString ato = fromUtf8(kAuthors[rng.below(countOf(kAuthors))]);
        m_species.push_back(
            Species{nla, ato, czechName(g, fromUtf8(kAdjectives[rng.below(countOf(kAdjectives))])), QString()});
    }
    // Common species are not all alphabetically early: spread the ranks after the famous ones.
    for (size_t i = m_species.size() - 1; i > std::size(kFamousSpecies); --i) {
        const size_t j = std::size(kFamousSpecies) + rng.below(quint32(i - std::size(kFamousSpecies) + 1));
        std::swap(m_species[i], m_species[j]);
    }
    for (size_t i = 0; i < m_species.size(); ++i)
        m_species[i].kdh = QStringLiteral("H%1").arg(i + 1, 4, 10, QLatin1Char('0'));
    m_speciesCum = zipf(int(m_species.size()), 3.0);

    // Localities: the named places, villages near a town, and parts of named places.
    QStringList pool;
    for (const char* p : kPlaces) pool << fromUtf8(p);
    QStringList more;
    for (const char* v : kVillages) {
        for (const char* t : kTowns) more << fromUtf8(v) + QStringLiteral(" u ") + fromUtf8(t);
    }
    for (const char* p : kPlaces) {
        for (const char* part : kParts) more << fromUtf8(p) + QStringLiteral(" - ") + fromUtf8(part);
    }
    for (qsizetype i = more.size() - 1; i > 0; --i) more.swapItemsAt(i, rng.below(quint32(i + 1)));
    constexpr int kLocalities = 3000;
    QSet<QString> placeSet(pool.begin(), pool.end());
    for (const QString& m : more) {
        if (pool.size() >= kLocalities) break;
        if (!placeSet.contains(m)) {
            placeSet.insert(m);
            pool << m;
        }
    }
    // The first few named places stay the favourite ones; the rest get random ranks.
    for (qsizetype i = pool.size() - 1; i > 8; --i) pool.swapItemsAt(i, 8 + rng.below(quint32(i - 8 + 1)));
    m_localities = pool;
    m_localityCum = zipf(int(m_localities.size()), 10.0);

    for (const char* s : kSurnames) {
        for (int k = 0; k < 3; ++k)
            m_collectors << fromUtf8(kFirstInitials[rng.below(countOf(kFirstInitials))]) + u' ' + fromUtf8(s);
    }
    m_collectors.removeDuplicates();
    m_collectorCum = zipf(int(m_collectors.size()), 1.5);
}

const std::vector<int>& CardGenerator::numbers() const {
    if (m_evc.empty()) {
        Rng rng(m_seed ^ 0xE5Cull);
        m_evc.resize(size_t(m_count));
        for (int i = 0; i < m_count; ++i) m_evc[size_t(i)] = i + 1;
        for (int i = m_count - 1; i > 0; --i) std::swap(m_evc[size_t(i)], m_evc[rng.below(quint32(i + 1))]);
    }
    return m_evc;
}

Card CardGenerator::card(int index) const {
    Rng rng(m_seed ^ (quint64(index) * 0xD1B54A32D192ED03ull + 0x8CB92BA72F3D8DD7ull));
    Card c;
    c.evc = index < m_count ? numbers()[size_t(index)] : index + 1;
    const Species& s = m_species[size_t(pick(m_speciesCum, rng.unit()))];
    c.kdh = s.kdh;
    c.nla = s.nla;
    c.ato = s.ato;
    c.nce = s.nce;
    const int loc = pick(m_localityCum, rng.unit());
    c.kdl = QStringLiteral("L%1").arg(loc + 1, 4, 10, QLatin1Char('0'));
    c.lk = m_localities[loc];
    // Grid square of the Central European mapping (KFME) and altitude in metres.
    c.cmp = QString::number(5449 + rng.below(20) * 100 + rng.below(30));
    c.nmv = rng.chance(0.8) ? QString::number(200 + rng.below(1200)) : QString();
    c.sd = rng.chance(0.7) ? fromUtf8(kSubstrates[rng.below(countOf(kSubstrates))]) : QString();
    c.plo1 = rng.chance(0.4) ? fromUtf8(kNotes[rng.below(countOf(kNotes))]) : QString();
    c.plo2 = rng.chance(0.1) ? fromUtf8(kNotes[rng.below(countOf(kNotes))]) : QString();
    c.le = m_collectors[pick(m_collectorCum, rng.unit())];
    // Dates from 1994 to 2023, most of them in late summer and autumn.
    static const int monthWeight[12] = {1, 1, 2, 3, 5, 7, 9, 12, 15, 13, 6, 2};
    int m = 0;
    for (int w = int(rng.below(76)); w >= monthWeight[m]; w -= monthWeight[m]) ++m;
    const int year = 1994 + int(rng.below(30));
    const int day = 1 + int(rng.below(quint32(QDate(year, m + 1, 1).daysInMonth())));
    c.d = QDate(year, m + 1, day);
    c.dt = rng.chance(0.6) ? c.le : m_collectors[pick(m_collectorCum, rng.unit())];
    c.pdh = rng.chance(0.3);
    c.pdl = rng.chance(0.2);
    c.neh = QStringLiteral("N");
    c.obr = rng.chance(0.1)
                ? QStringLiteral("foto\\%1\\IMG_%2.jpg").arg(year).arg(rng.below(10000), 4, 10, QLatin1Char('0'))
                : QString();
    return c;
}

QStringList CardGenerator::nearestPrefixes(int n) const {
    Rng rng(m_seed ^ 0x5EA2C4ull);
    QStringList out;
    out.reserve(n);
    while (out.size() < n) {
        const int kind = int(rng.below(10));
        if (kind < 7) {
            // The beginning of a name in the table, as typed: 1 to 8 letters.
            const QString& name = m_species[size_t(pick(m_speciesCum, rng.unit()))].nla;
            out << name.left(1 + int(rng.below(8)));
        } else if (kind < 9) {
            // A whole name with a typo at its end.
            QString name = m_species[rng.below(quint32(m_species.size()))].nla;
            name[name.size() - 1] = QChar(u'a' + char16_t(rng.below(26)));
            out << name;
        } else {
            // Something that is not there, some of it past the last name.
            static const char* const odd[] = {"Aaa", "Zz", "Č", "ch", "Xylo", "Quercus", "Žlutá", "Bolx"};
            out << fromUtf8(odd[rng.below(std::size(odd))]);
        }
    }
    return out;
}

std::vector<int> CardGenerator::locateNumbers(int n) const {
    Rng rng(m_seed ^ 0x10CA7Eull);
    std::vector<int> out(static_cast<size_t>(n));
    for (int& v : out) v = 1 + int(rng.below(quint32(m_count)));
    return out;
}

}  // namespace bench
