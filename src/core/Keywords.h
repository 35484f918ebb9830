// CP932 forms of the words and endings the engine tests on every phrase,
// converted once.
#pragma once
#include <string>

namespace nokari {

struct Keywords {
  std::string No, Ha, Kai, NoToki, Te, Moshi, Soshite, Kurikaesu, Hanpuku, Loop;
  std::string Nara, Naraba, Chigaeba, Denakereba, Sore, Kaisu, Sono;
  std::string Ga, Ijou, Ika, ToHitoshii, Katsu, Mataha, Sonota, Undefined;
  std::string Miman, YoriOokii, YoriChiisai, Igai;  // further comparison words of conditions
  std::string WorkFolder;
};

const Keywords& Kw();

}  // namespace nokari
