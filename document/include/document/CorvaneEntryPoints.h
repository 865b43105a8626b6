#pragma once

#include "Corvane.h"

// The engine entry points that the commands call, as one table of function pointers. Every
// command reaches the engine through corvaneEntryPoints(), never by calling Corvane.h
// directly, so a test can swap one entry to answer a failure the real engine seldom gives
// (out of memory, a caught exception, a failed engine) or to record the calls it sees.
//
// Each field starts at the header's function of the same name. The table is read on the
// command thread while a command executes: change it only while no command runs.
struct CorvaneEntryPoints {
  decltype(&::CvInit) CvInit = &::CvInit;
  decltype(&::CvFinish) CvFinish = &::CvFinish;
  decltype(&::CvNewStatusImage) CvNewStatusImage = &::CvNewStatusImage;
  decltype(&::CvDeleteStatusImage) CvDeleteStatusImage = &::CvDeleteStatusImage;
  decltype(&::CvBeginSession) CvBeginSession = &::CvBeginSession;
  decltype(&::CvBeginSubSession) CvBeginSubSession = &::CvBeginSubSession;
  decltype(&::CvEndSession) CvEndSession = &::CvEndSession;
  decltype(&::CvAnalyseImage) CvAnalyseImage = &::CvAnalyseImage;
  decltype(&::CvSetAnalysisParameters) CvSetAnalysisParameters = &::CvSetAnalysisParameters;
  decltype(&::CvSelect) CvSelect = &::CvSelect;
  decltype(&::CvAutoComplex) CvAutoComplex = &::CvAutoComplex;
  decltype(&::CvDespeckleSelection) CvDespeckleSelection = &::CvDespeckleSelection;
  decltype(&::CvAutoFill) CvAutoFill = &::CvAutoFill;
  decltype(&::CvSetStatus) CvSetStatus = &::CvSetStatus;
  decltype(&::CvSetStatusFromParent) CvSetStatusFromParent = &::CvSetStatusFromParent;
  decltype(&::CvSetParentStatus) CvSetParentStatus = &::CvSetParentStatus;
  decltype(&::CvUndo) CvUndo = &::CvUndo;
  decltype(&::CvRedo) CvRedo = &::CvRedo;
  decltype(&::CvNumAvailableUndo) CvNumAvailableUndo = &::CvNumAvailableUndo;
  decltype(&::CvNumAvailableRedo) CvNumAvailableRedo = &::CvNumAvailableRedo;
  decltype(&::CvCommitUndoStep) CvCommitUndoStep = &::CvCommitUndoStep;
  decltype(&::CvClearUndoRedo) CvClearUndoRedo = &::CvClearUndoRedo;
  decltype(&::CvSetVariable) CvSetVariable = &::CvSetVariable;
  decltype(&::CvGetVariable) CvGetVariable = &::CvGetVariable;
  decltype(&::CvGenerateMask) CvGenerateMask = &::CvGenerateMask;
};

// The table in force; assigning CorvaneEntryPoints{} restores the header's functions.
CorvaneEntryPoints& corvaneEntryPoints();
