#include "survey/survey_port.h"

namespace {
SurveyPort* g_surveyPort = nullptr;
}

SurveyPort& SurveyUi() { return *g_surveyPort; }

void InstallSurveyPort(SurveyPort* port) { g_surveyPort = port; }
